// The second walk of a large forms root, driven step by step on one thread:
// wherever it guesses a form begins, the check ends as a single walk does.
#include "image.hpp"
#include "test_support.hpp"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {
using namespace fltest;
using Span = ChildListScanner::Span;

constexpr int kForms = 20;
constexpr int32_t kFirstSign = 10001;

struct Outcome {
    std::ptrdiff_t end = -1; // from the data; -1: refused
    std::ptrdiff_t failed_at = -1;
    std::string check;
    int kind = 0;
    std::vector<std::ptrdiff_t> spans; // begin, end, exact of each
};

bool operator==(const Outcome &a, const Outcome &b)
{
    return a.end == b.end && a.failed_at == b.failed_at && a.check == b.check && a.kind == b.kind && a.spans == b.spans;
}

std::ostream &operator<<(std::ostream &out, const Outcome &o)
{
    return out << "end " << o.end << ", failed at " << o.failed_at << " (" << o.check << "), " << o.spans.size() / 3
               << " compounds";
}

// A forms root: count, then the forms as `form` writes each.
struct Root {
    ByteVector bytes;
    std::vector<int32_t> form_signs;
};

Root forms_root(int count, int forms, const std::function<void(ByteWriter &, int)> &form)
{
    ByteWriter image;
    image.i32(count);
    Root root;
    for (int i = 0; i < forms; ++i) {
        form(image, i);
        root.form_signs.push_back(kFirstSign + i);
    }
    root.bytes = image.bytes();
    return root;
}

// Form i: a sorted compound of 40 integers and a string.
void plain_form(ByteWriter &image, int i, const std::string &text = "text")
{
    image.child(FLF_TAG_SORTED, kFirstSign + i).i32(41);
    for (int sign = 1; sign <= 40; ++sign)
        image.child(FLF_TAG_INTEGER, sign).i32(sign * i);
    image.child(FLF_TAG_STRING, 41).str(text);
}

Outcome outcome_of(ChildListScanner &scanner, const ByteVector &bytes)
{
    Outcome o;
    const unsigned char *data = bytes.data();
    if (const unsigned char *end = scanner.List(data, 1, true)) {
        o.end = end - data;
    } else {
        o.failed_at = scanner.FailedAt() - data;
        o.check = scanner.FailedCheck();
        o.kind = scanner.FailedKind();
    }
    for (const Span &span : scanner.TopLevelCompounds())
        o.spans.insert(o.spans.end(), {span.begin - data, span.end - data, span.exact});
    return o;
}

Outcome single_walk(const Root &root)
{
    ChildListScanner scanner(root.bytes.data() + root.bytes.size());
    return outcome_of(scanner, root.bytes);
}

// The second walk runs first, from halfway, as the reading thread would
// when the caller's walk is still at the first form.
Outcome walk_with_ahead(const Root &root, WalkAhead &ahead)
{
    const unsigned char *data = root.bytes.data(), *end = data + root.bytes.size();
    ahead.Begin(data + 4, root.form_signs);
    ahead.Run(end);
    ChildListScanner scanner(end);
    scanner.Attach(&ahead);
    Outcome o = outcome_of(scanner, root.bytes);
    ahead.Cancel();
    return o;
}

TEST(WalkAhead, TakesOverAtTheFormItGuessedAndEndsAsOneWalk)
{
    const struct {
        const char *what;
        Root root;
    } cases[] = {
        {"valid", forms_root(kForms, kForms, [](ByteWriter &w, int i) { plain_form(w, i); })},
        {"a bad tag in a late form", forms_root(kForms, kForms,
                                                [](ByteWriter &w, int i) {
                                                    if (i == 16)
                                                        w.child(FLF_TAG_ORDERED, kFirstSign + i).i32(1).child(7, 1);
                                                    plain_form(w, i);
                                                })},
        {"a string too long in the last form", forms_root(kForms, kForms,
                                                          [](ByteWriter &w, int i) {
                                                              plain_form(w, i, i == kForms - 1 ? "" : "text");
                                                              if (i == kForms - 1)
                                                                  w.i32(0).child(FLF_TAG_STRING, 1).i32(5000);
                                                          })},
        {"the data ends inside the last form",
         [] {
             Root root = forms_root(kForms, kForms, [](ByteWriter &w, int i) { plain_form(w, i); });
             root.bytes.resize(root.bytes.size() - 3);
             return root;
         }()},
        {"fewer forms counted than written",
         forms_root(kForms - 6, kForms, [](ByteWriter &w, int i) { plain_form(w, i); })},
        {"forms out of order", forms_root(kForms, kForms, [](ByteWriter &w, int i) { plain_form(w, kForms - 1 - i); })},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WalkAhead ahead;
        EXPECT_EQ(walk_with_ahead(c.root, ahead), single_walk(c.root));
        EXPECT_NE(ahead.Start(), nullptr);
        EXPECT_FALSE(ahead.Passed()) << "the caller's walk arrived where the second began";
    }
}

TEST(WalkAhead, AWrongGuessOrAFaultBeforeItIsDropped)
{
    // Every form ends with a text that looks like the start of a later form;
    // halfway is inside a form's integers, so such a text comes first.
    const int forms = kForms + 1;
    const Root decoys = forms_root(forms, forms, [&](ByteWriter &w, int i) {
        ByteWriter fake;
        fake.child(FLF_TAG_SORTED, kFirstSign + (i + 3) % forms).i32(0);
        plain_form(w, i, text_of(fake.bytes()));
    });
    WalkAhead ahead;
    EXPECT_EQ(walk_with_ahead(decoys, ahead), single_walk(decoys));
    EXPECT_NE(ahead.Start(), nullptr);
    EXPECT_TRUE(ahead.Passed());

    const Root early_fault = forms_root(kForms, kForms, [](ByteWriter &w, int i) {
        if (i == 2)
            w.child(FLF_TAG_SORTED, kFirstSign + i).i32(-1);
        else
            plain_form(w, i);
    });
    WalkAhead dropped;
    const Outcome refused = walk_with_ahead(early_fault, dropped);
    EXPECT_EQ(refused, single_walk(early_fault));
    EXPECT_EQ(refused.check, "a child count below 0 or larger than the bytes left can hold");
}

TEST(WalkAhead, RunsOnlyWhileTheCallerIsAtTheFormsRoot)
{
    const Root root = forms_root(kForms, kForms, [](ByteWriter &w, int i) { plain_form(w, i); });
    const unsigned char *data = root.bytes.data(), *end = data + root.bytes.size();

    WalkAhead read_first; // the file was read before the caller came to its forms
    std::thread reader([&] { read_first.Run(end); });
    read_first.Begin(data + 4, root.form_signs);
    reader.join();
    EXPECT_NE(read_first.Start(), nullptr);
    read_first.Cancel();

    WalkAhead after_cancel;
    after_cancel.Begin(data + 4, root.form_signs);
    after_cancel.Cancel();
    after_cancel.Run(end);
    EXPECT_EQ(after_cancel.Start(), nullptr);

    WalkAhead no_forms; // a class index without forms gives nothing to look for
    no_forms.Begin(data + 4, {});
    no_forms.Run(end);
    EXPECT_EQ(no_forms.Start(), nullptr);
}

} // namespace
