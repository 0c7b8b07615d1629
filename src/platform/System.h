#pragma once
// Process-wide set-up and system actions that need no window.

// Sets a UTF-8 character locale (the user's, else C.UTF-8), so that libraries that convert
// paths with the C locale handle every file name.
void SetUpCharacterLocale();

// Asks logind to power the machine off (not interactive). Failures are ignored.
void PowerOffComputer();
