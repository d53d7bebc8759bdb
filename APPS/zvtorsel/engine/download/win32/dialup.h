// The dial-up line that a download run may hang up when its last URL is done.
#pragma once

// Hangs up the dial-up connection when exactly one is open.
enum HangUpResult { HANGUP_NO_LIBRARY, HANGUP_NOTHING, HANGUP_DONE };
HangUpResult HangUpDialUp(const char* library = "rasapi32.dll");
