#pragma once

#include <QString>
// Process-wide set-up and system actions that need no window.

// Sets a UTF-8 character locale (the user's, else C.UTF-8), so that libraries that convert
// paths with the C locale handle every file name.
void SetUpCharacterLocale();

// Asks logind to power the machine off (not interactive) and waits up to timeoutMs for its
// answer. Gives "" when logind accepted, else the reason it gave (or why it was not reached).
QString PowerOffComputer(int timeoutMs = 5000);
