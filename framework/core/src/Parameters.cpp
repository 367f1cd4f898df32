#include "Parameters.h"

// Implemented by the parameter-table work; stubs keep the contract linkable.
CParameterTable::~CParameterTable() = default;
