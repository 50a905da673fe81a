// A file of the check that reaches for Qt: the test "layers.includes_checked" must name it.
#include <QString>
