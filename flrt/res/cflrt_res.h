/* Resource numbers of the runtime library (shared by the resource script and the code). */
#ifndef CFLRT_RES_H
#define CFLRT_RES_H

#define FLRT_STR_WINDOW_MENU 1
#define FLRT_STR_VALIDATION 2
#define FLRT_STR_ASSERT_CAPTION 3

#define FLRT_ICON_FORM 101
#define FLRT_ICON_FORM_SMALL 102
#define FLRT_ICON_TRACE 105

#define FLRT_ACCELERATORS 108
#define FLRT_CMD_BREAK 113

#define FLRT_DLG_XCP 115
#define FLRT_XCP_LIST 1002

#endif
