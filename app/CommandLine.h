// The project named on the command line.
#pragma once

// The last argument after the program's own name, quotes removed, as a new
// heap string (FreeText); null when there is none. A quoted path may hold
// spaces.
wchar_t* LastCommandLinePath(const wchar_t* commandLine);
