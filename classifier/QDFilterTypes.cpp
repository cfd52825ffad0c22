#include "classifier/QDFilterTypes.h"

// Out of line, so that the class's vtable and type information live in one
// object file.
EQDDLLLoadError::~EQDDLLLoadError() = default;
