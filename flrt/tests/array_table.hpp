// Arrays for the test object table: string and integer arrays with the lower
// bound the application's arrays carry in their field "lower". Installs the
// array functions into the table it is given.
#ifndef FLRT_TEST_ARRAY_TABLE_HPP
#define FLRT_TEST_ARRAY_TABLE_HPP

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "test_table.hpp"

namespace fltest {

class Arrays {
public:
    explicit Arrays(TestTable &table);
    ~Arrays();
    Arrays(const Arrays &) = delete;
    Arrays &operator=(const Arrays &) = delete;

    // A string array; a missing element is a null reference.
    TestObject *strings(const std::vector<std::optional<std::string>> &elements, int lower = 0);
    TestObject *integers(const std::vector<jint> &elements, int lower = 0);
    // An object array; a null element is a null reference.
    TestObject *objects(const std::vector<TestObject *> &elements, int lower = 0);
    // Changes one element of an array made here, in place (index from 0).
    void set_string(TestObject *array, int index, const std::string &text);
    void set_int(TestObject *array, int index, jint value);
    // The signatures a Java class declares for such fields.
    static constexpr const char *kStringsSig = "[Ljava/lang/String;";
    static constexpr const char *kIntegersSig = "[I";
    static constexpr const char *kObjectsSig = "[Ljava/lang/Object;";

    // Integer element buffers handed out and not given back.
    int open_buffers() const { return open_buffers_; }
    int deleted_local_references() const { return deleted_local_references_; }

    struct Functions;

private:
    TestObject *make(std::vector<jvalue> elements, int lower);

    TestTable &table_;
    TestClass &class_;
    std::map<jobject, std::vector<jvalue>> elements_;
    int open_buffers_ = 0;
    int deleted_local_references_ = 0;
    void(JNICALL *table_delete_local_)(JNIEnv *, jobject) = nullptr;
};

} // namespace fltest

#endif
