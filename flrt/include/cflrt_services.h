/*
 * Services the runtime's modules share: error boxes, the call trace, the
 * resource file list and window utilities. Exported so that the runtime's
 * tests and tools can drive them directly.
 */
#ifndef CFLRT_SERVICES_H
#define CFLRT_SERVICES_H

#ifdef _WIN32
#include <windows.h>
#endif
#include "cflrt.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Error boxes. Assertions return when the user answers No; Yes ends the process (exit code -1). */
FLRT_API void FLRT_CALL flrt_assert(const char *module, int line);
FLRT_API void FLRT_CALL flrt_assert_msg(const char *message, const char *module, int line);
FLRT_API void FLRT_CALL flrt_assert_name(const char *message, const char *name, const char *module, int line);
FLRT_API void FLRT_CALL flrt_fatal(const char *text);
FLRT_API void FLRT_CALL flrt_fatal_detail(const char *text, const char *detail);
FLRT_API void FLRT_CALL flrt_show_xcp_viewer(void);

/* Call trace window */
FLRT_API void FLRT_CALL flrt_trace_set_switch(int on);
FLRT_API void FLRT_CALL flrt_trace_line(const char *text);
FLRT_API void FLRT_CALL flrt_trace_call(const char *label, const char *class_name, const char *feature);

#ifdef _WIN32
/* Resource file list */
FLRT_API int FLRT_CALL flrt_res_list_is_empty(void);
FLRT_API FLF_ITEM FLRT_CALL flrt_find_form(const char *class_name, int form_number);

/* Window utilities */
FLRT_API RECT FLRT_CALL flrt_rect_from_size(int x, int y, int width, int height);
FLRT_API void FLRT_CALL flrt_grow_rect(RECT *rect, int dx, int dy);
FLRT_API LOGFONTA FLRT_CALL flrt_font_description(const char *face, int points, int style);
FLRT_API void FLRT_CALL flrt_set_window_font(HWND window, const char *face, int points, int style);
FLRT_API POINT FLRT_CALL flrt_pixels_to_dialog_units(int x, int y);
FLRT_API void FLRT_CALL flrt_center_window(HWND window, HWND owner);
FLRT_API int FLRT_CALL flrt_fit_text_ellipsis(HDC dc, char *text, int buffer_size, int width);
/*
 * Diagnostics: the number of GDI objects and device contexts the runtime
 * holds now (fonts, brushes, bitmaps, memory and window DCs). Forms that
 * come and go give theirs back; the figure serves leak tests where
 * GetGuiResources answers nothing.
 */
FLRT_API int FLRT_CALL flrt_live_gdi_handles(void);
#else
/*
 * The Linux build shows no boxes: assertions (answered No) and routine-call
 * exceptions are recorded for the test that drives it, oldest first; null
 * when none is left. A fatal error prints its text and ends the process.
 */
FLRT_API const char *FLRT_CALL flrt_next_report(void);
#endif

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* CFLRT_SERVICES_H */
