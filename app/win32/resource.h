#pragma once

// Identifiers of the program's resources (adreca-mac.rc).

// The program's icon: the lowest identifier, so that Explorer, the Start menu
// and Add/Remove Programs show it for the .exe.
#define IDI_ADRECA_MAC 1
