// Compiled by the test "layers.check_sees_no_documents" as a file of the check layer would be:
// the design sheet it reads is found, the documents above it are not.
#include "check/DesignCheck.h"
#include "documents/DesignDocument.h"
