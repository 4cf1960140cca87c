#include "SpreadsheetApplication.h"

SpreadsheetApplication::~SpreadsheetApplication() = default;
