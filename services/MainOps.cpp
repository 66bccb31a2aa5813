#include "MainOps.h"

TMainOps* MainOps = nullptr;
