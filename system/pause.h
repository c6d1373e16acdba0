#pragma once

// Blocks the calling thread for `milliseconds`, with the timer resolution
// raised to 1 ms on the first call so that the wait is not rounded up.
void pauseMs(unsigned long milliseconds);
