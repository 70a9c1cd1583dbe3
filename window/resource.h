#pragma once

// Resource identifiers shared by the resource script and the code. The
// program's icon has the lowest id, so Explorer shows it for the executable.
#define IDI_MIRVEL 1
