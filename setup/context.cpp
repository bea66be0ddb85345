#include "context.h"

int currentLanguage = 0;
int silentMode = 0;
int cancelRequested = 0;

namespace {

HINSTANCE g_instance;

} // namespace

HINSTANCE SetupInstance() { return g_instance ? g_instance : GetModuleHandleA(NULL); }

void SetSetupInstance(HINSTANCE instance) { g_instance = instance; }
