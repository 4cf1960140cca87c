#include "MemoryWindow.h"
