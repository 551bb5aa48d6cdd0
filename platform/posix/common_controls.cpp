// The controls here are always the same and there is no COM: nothing to initialise.
#include "win32_subset.h"

void WINAPI InitCommonControls() {}

HRESULT WINAPI CoInitialize(LPVOID) { return S_OK; }
