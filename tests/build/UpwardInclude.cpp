// Compiled by the test "layers.upward_include_fails" as a file of the catalogue layer would be:
// its own layer's header is found, the window logic's is not.
// Its own layer first: the compiler stops at the first header it cannot find.
#include "catalogue/Catalogue.h"

#include "app/MainForm.h"
