/* A caller written in C cannot catch the library's exceptions: it switches
 * the C error mode on around its calls and asks for the error afterwards. */
#include "flfileio.h"

int c_caller_reads_a_bad_tag(flf_error *error)
{
    int previous = flf_catch_errors(1);
    FLF_ITEM item = flf_create_property(9, 1, NULL);
    flf_last_error(error);
    flf_catch_errors(previous);
    return item == NULL;
}
