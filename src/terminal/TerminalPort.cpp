#include "TerminalPort.h"
