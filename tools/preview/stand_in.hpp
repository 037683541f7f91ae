// The stand-in object of a form preview: one object of the form's class, and
// of every class its access paths name, whose fields, functions and arrays
// answer sample values of the kind the form reads there (texts for captions
// and text edits, numbers for integer edits and ranges, a few list rows and
// tree nodes), through the application-style native interface table.
#ifndef FLPREVIEW_STAND_IN_HPP
#define FLPREVIEW_STAND_IN_HPP

#include <jni.h>

#include <map>
#include <memory>
#include <string>

#include "array_table.hpp"
#include "flfileio.h"
#include "test_table.hpp"

namespace flpreview {

enum class Sample { Text, Integer, Upper, Lower, Boolean, Real, Strings, Integers, Rows, Tree, Object, Procedure };

class StandIn {
public:
    StandIn();
    // Learns what the form (and the tab pages it names) reads, then builds the
    // objects; answers the object to display the form on.
    jobject build(FLF_BASE base, const std::string &class_name, int form_id);
    JNIEnv *env() { return table_.env(); }

private:
    struct Need {
        char tag = 'V';
        Sample sample = Sample::Text;
        std::string target; // the class of the object a field or function leads to
    };

    void scan_widget(FLF_BASE base, FLF_ITEM widget, int kind, const std::string &class_name);
    void scan_tree(FLF_ITEM compound, int kind, int holder_sign);
    void scan_path(FLF_ITEM first, Sample sample);
    void scan_columns(FLF_ITEM columns);
    void need(const std::string &cls, const std::string &feature, Need need);

    void define_classes();
    fltest::TestObject *instance(const std::string &cls);
    jvalue sample_value(const std::string &feature, const Need &need);
    fltest::TestObject *tree_node(int depth, int index);

    fltest::TestTable table_{fltest::TestTable::Mode::Emulated};
    fltest::Arrays arrays_{table_};
    std::map<std::string, std::map<std::string, Need>> needs_;
    std::map<std::string, fltest::TestClass *> classes_;
    std::map<std::string, fltest::TestObject *> instances_;
    std::string row_class_ = "preview/Row";
    fltest::TestClass *node_class_ = nullptr;
};

} // namespace flpreview

#endif
