// The two gates of start-up, each a modal window.
#pragma once

// Runs the splash; 0 when start-up may go on, 1 when it must stop (closed, or an update
// was accepted).
int ShowSplash();

// Runs the login window; true when the operator has signed in.
bool ShowLoginWindow();
