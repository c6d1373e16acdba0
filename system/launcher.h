#pragma once

// Starts `program` as an independent process and returns at once: directly,
// or through the shell when that fails. Null strings count as empty; an empty
// `directory` means none. True when a process was started.
bool launchProgram(const wchar_t* program, const wchar_t* parameters, const wchar_t* directory);
