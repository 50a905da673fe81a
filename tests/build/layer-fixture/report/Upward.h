// A file of the report that reaches up to the window's logic: the test "layers.includes_checked"
// must name it.
#include "app/CoreSearch.h"
