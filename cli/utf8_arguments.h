// The Windows entries' arguments: taken as UTF-16 and handed on in UTF-8. The
// narrow ones come in the ANSI code page wherever Windows ignores the
// manifest's UTF-8 (before Windows 10 1903), where a character outside it
// arrives as '?'.
#pragma once

// Runs the program on the arguments in UTF-8 and returns its exit status.
int RunOnUtf8Arguments(int argc, wchar_t* argv[], int (*program)(int argc, char* argv[]));
