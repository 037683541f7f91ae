/* Writes a resource file with one form holding a caption, opens it again and
 * prints the caption: "forms_roundtrip: ok <caption>" when all went well. */
#include <stdio.h>
#include <string.h>

#include "flfileio.h"

enum { TAG_STRING = 11, SIGN_CAPTION = 7 };

int main(int argc, char **argv)
{
    const char *file = argc > 1 ? argv[1] : "consumer.flf";
    flf_error error;
    flf_catch_errors(1);

    FLF_BASE base = flf_new_base("consumer", 0);
    FLF_ITEM form = flf_add_form(base, "PERSON", 1, "Edit person");
    if (!form || !flf_add_property(form, TAG_STRING, SIGN_CAPTION, "Person")) {
        fprintf(stderr, "forms_roundtrip: cannot build the form\n");
        return 1;
    }
    flf_saveas_base(base, file);
    flf_close_base(base);
    if (flf_last_error(&error) != FLF_ERROR_NONE) {
        fprintf(stderr, "forms_roundtrip: save failed: %s\n", error.message);
        return 1;
    }

    base = flf_open_base(file);
    FLF_ITEM caption = base ? flf_get_prop(flf_get_form(base, "PERSON", 1), SIGN_CAPTION) : NULL;
    const char *text = caption ? flf_get_prop_str(caption) : NULL;
    if (!text || strcmp(text, "Person") != 0) {
        fprintf(stderr, "forms_roundtrip: the form did not read back\n");
        return 1;
    }
    printf("forms_roundtrip: ok %s\n", text);
    flf_close_base(base);
    remove(file);
    return 0;
}
