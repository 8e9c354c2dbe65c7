#include "host/ModuleHandle.h"

void* hInstance = nullptr;
