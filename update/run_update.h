#pragma once

// The whole program: prepares the process, performs the update with the
// real services and ends the process with exit code 0. Never returns.
[[noreturn]] void runUpdate();
