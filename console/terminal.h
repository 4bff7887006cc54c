// What the dialogue needs of the terminal: clearing the screen and reading one key press.
#pragma once

// Clears the screen and homes the cursor, when standard output is a terminal that understands
// control sequences; otherwise writes nothing.
void clear_screen();

// Waits for the next key press on the controlling terminal, without echo and without Enter, and
// returns its code. A key without a character returns 0 and leaves its extended code in
// pending_key_code, which the next call returns at once. Returns -1 when there is no terminal to
// read.
[[nodiscard]] int read_key();

// The extended code of the last special key, not yet returned; 0 when there is none.
extern int pending_key_code;
