#include "controls_fixture.hpp"

#include "form_file.hpp"

namespace fltest {
namespace {

Routine procedure(std::function<void(TestObject *)> body)
{
    return [body](TestObject *self, const jvalue *) {
        body(self);
        return jvalue{};
    };
}

void add_control_forms()
{
    static bool added = false;
    if (!added)
        flrt_add_res_file((program_directory() + "flrt_test_controls.flf").c_str());
    added = true;
}

} // namespace

Controls::Controls(TestTable::Mode mode)
    : table(mode), arrays(table), cls(table.define_class("test/Controls")),
      canvas_class(table.define_class("test/Canvas")), area_class(table.define_class("test/Area"))
{
    for (const char *name :
         {"sys_id",         "count",       "mask",         "bits",   "octal", "names_index", "number_index",
          "number_item",    "color_index", "combo_number", "choice", "level", "level_max",   "position",
          "small_position", "sel_start",   "sel_end",      "step",   "step2", "step3",       "changes"})
        cls.field(name, Kind::Integer, "I");
    for (const char *name : {"ratio", "amount", "wide"})
        cls.field(name, Kind::Real, "D");
    for (const char *name : {"data_was_accepted", "flag"})
        cls.field(name, Kind::Boolean, "Z");
    for (const char *name : {"name", "nothing", "names_item"})
        cls.field(name, Kind::Object, kStringSig);
    for (const char *name : {"names", "plain_names", "colors"})
        cls.field(name, Kind::Object, Arrays::kStringsSig);
    cls.field("numbers", Kind::Object, Arrays::kIntegersSig)
        .field("canvas", Kind::Object, kObjectSig)
        .field("plain_canvas", Kind::Object, kObjectSig)
        .routine("accept", "()V", procedure([](TestObject *self) { flrt_close_form(self->handle(), JNI_TRUE); }))
        .routine("cancel", "()V", procedure([](TestObject *self) { flrt_close_form(self->handle(), JNI_FALSE); }))
        .routine("changed", "()V",
                 procedure([](TestObject *self) { self->set_int("changes", self->get_int("changes") + 1); }));
    for (const char *name : {"left", "top", "right", "bottom"})
        area_class.field(name, Kind::Integer, "I");
    canvas_class.field("area", Kind::Object, kObjectSig)
        .field("hWnd", Kind::Integer, "I")
        .routine("internal_handle_message", "(IIII)I", [this](TestObject *self, const jvalue *args) {
            jvalue answer{};
            answer.i = 1;
            for (auto &[object, canvas] : canvases) {
                if (object != self)
                    continue;
                const auto window = reinterpret_cast<HWND>(static_cast<INT_PTR>(args[0].i));
                const auto message = static_cast<UINT>(args[1].i);
                canvas->messages.push_back(message);
                if (canvas->paints && message == WM_PAINT) {
                    PAINTSTRUCT paint;
                    HDC dc = BeginPaint(window, &paint);
                    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
                    RECT client;
                    GetClientRect(window, &client);
                    FillRect(dc, &client, red);
                    DeleteObject(red);
                    EndPaint(window, &paint);
                    answer.i = 0;
                }
            }
            return answer;
        });
    object = table.make(cls);
    object->set_object("name", table.make_string(""));
    set_ni_table(table.env());
    add_control_forms();
}

TestObject *Controls::make_canvas(Canvas &canvas)
{
    TestObject *made = table.make(canvas_class);
    made->set_object("area", table.make(area_class));
    canvases.emplace_back(made, &canvas);
    return made;
}

bool Controls::display(int form_number)
{
    char class_name[] = "test.Controls";
    return flrt_display_form(object->handle(), class_name, form_number) != 0;
}

std::string Controls::text(const char *field)
{
    TestObject *string = object->get_object(field);
    return string ? string->text : "(void)";
}

} // namespace fltest
