// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_MORVIK 101
#define IDB_BUTTONS 102
#define IDI_MENU 103
#define IDI_PLAY 104
#define IDI_PAUSE 105
