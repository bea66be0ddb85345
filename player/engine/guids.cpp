// Storage for the identifiers that no system library provides.
#include <windows.h>
#include <initguid.h>
#include "engine/ddraw_factory.h"
