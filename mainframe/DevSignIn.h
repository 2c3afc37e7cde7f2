// The test sign-in: with TC_DEV_SIGNIN=1 in the environment, start-up signs in with the
// remembered account (user.dat) instead of showing the splash and the login window. Meant
// for tests that drive the main frame alone; off by default.
#pragma once

// True when the switch is set.
bool IsDevSignInEnabled();
// Signs in with the remembered account and stores the sign-in values; false (logged) when
// the account is missing or the server refuses it.
bool DevSignIn();
