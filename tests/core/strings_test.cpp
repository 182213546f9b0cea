#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/str_internal.h"
#include "vmlib/frame.h"

namespace {

struct StrHolder {
  explicit StrHolder(const std::string& s) : p(StrCreate(s.data(), static_cast<int32_t>(s.size()))) {}
  ~StrHolder() { StrDelete(p); }
  Str* p;
};

struct ListHolder {
  ListHolder() : p(StrListCreate()) {}
  ~ListHolder() { ObjectDelete(p); }
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (int32_t i = 0; i < p->count; ++i) out.emplace_back(vm::StrView(p->pairs[i].text));
    return out;
  }
  StrList* p;
};

TEST(Str, CreateKeepsEmbeddedNulAndTerminates) {
  const char bytes[] = {'a', '\0', 'b'};
  Str* s = StrCreate(bytes, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->length, 3);
  EXPECT_EQ(std::string(s->text, 4), std::string("a\0b\0", 4));
  EXPECT_EQ(s->wide, nullptr);
  StrDelete(s);
}

TEST(Str, WideCopyIsMadeOnDemand) {
  StrHolder utf8("Caf\xC3\xA9");
  EXPECT_EQ(utf8.p->wide, nullptr);
  EXPECT_EQ(std::u16string(vm::StrWide(utf8.p)), u"Caf\u00E9");
  EXPECT_NE(utf8.p->wide, nullptr);
  // Bytes that are not UTF-8 are Windows-1252, the data files' code page.
  StrHolder cp1252("\x80 caf\xE9");
  EXPECT_EQ(std::u16string(vm::StrWide(cp1252.p)), u"\u20AC caf\u00E9");
}

TEST(StrList, SetTextSplitsAtCrAndCrLf) {
  const struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\r\nb", {"a", "b"}}, {"a\r\n", {"a"}}, {"a\r\n\r\nb", {"a", "", "b"}}, {"a\nb", {"a\nb"}},
      {"\r", {""}},           {"", {}},         {"a\rb\r", {"a", "b"}},
  };
  for (const auto& c : cases) {
    ListHolder list;
    StrHolder text(c.text);
    StrListSetText(text.p, list.p);
    EXPECT_EQ(list.Lines(), c.lines) << "text of " << c.text.size() << " bytes";
  }
}

TEST(StrList, SetTextReplacesTheOldContent) {
  ListHolder list;
  StrHolder one("x\r\ny\r\nz");
  StrListSetText(one.p, list.p);
  StrHolder two("only");
  StrListSetText(two.p, list.p);
  EXPECT_EQ(list.Lines(), std::vector<std::string>{"only"});
  EXPECT_EQ(list.p->capacity, 4);
}

TEST(StrList, GetTextJoinsWithCrLf) {
  ListHolder list;
  StrHolder a("a"), b("b");
  list.p->Add(a.p, nullptr);
  list.p->Add(b.p, nullptr);
  StrHolder out("old text");
  StrListGetText(out.p, list.p);
  EXPECT_EQ(vm::StrView(out.p), "a\r\nb\r\n");
  EXPECT_EQ(out.p->length, 6);

  ListHolder empty;
  StrListGetText(out.p, empty.p);
  EXPECT_EQ(out.p->length, 0);
  EXPECT_STREQ(out.p->text, "");
}

TEST(StrList, PairArrayGrowsByTheLibraryRule) {
  ListHolder list;
  StrHolder s("x");
  std::vector<int32_t> seen;
  for (int i = 0; i < 96; ++i) {
    list.p->Add(s.p, nullptr);
    if (seen.empty() || seen.back() != list.p->capacity) seen.push_back(list.p->capacity);
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
}

TEST(StrList, SetCountGrowsWithEmptyEntriesAndShrinksReleasing) {
  ListHolder list;
  list.p->ownsObjects = 1;
  StrHolder s("abc");
  list.p->Add(s.p, MemMgrMalloc(8));  // released by the list when removed
  list.p->SetCount(10);
  EXPECT_EQ(list.p->count, 10);
  EXPECT_EQ(list.p->capacity, 10);
  EXPECT_EQ(list.p->pairs[9].text->length, 0);
  EXPECT_EQ(list.p->pairs[9].object, nullptr);
  list.p->SetCount(0);
  EXPECT_EQ(list.p->count, 0);
}

TEST(StrList, MemorySizeCountsArrayStringsAndWideCopies) {
  ListHolder list;
  StrHolder s("abcd");
  list.p->Add(s.p, nullptr);
  const int32_t base = 4 * static_cast<int32_t>(sizeof(StrListPair)) + static_cast<int32_t>(sizeof(Str)) + 5;
  EXPECT_EQ(list.p->GetMemorySize(false), base);
  vm::StrWide(list.p->pairs[0].text);
  EXPECT_EQ(list.p->GetMemorySize(false), base + 5 * 2);
  EXPECT_GT(list.p->GetMemorySize(true), base + 10);
}

TEST(Units, DisplayNames) {
  const std::pair<int32_t, std::string> cases[] = {
      {kUnitMetre, "m"}, {kUnitNauticalMile, "NM"}, {kUnitKnot, "kn"}, {kUnitDegree, "\xC2\xB0"}, {9999, ""}};
  for (const auto& [code, name] : cases) {
    Str* s = StrCreateFromUnit(code);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(vm::StrView(s), name) << code;
    StrDelete(s);
  }
}

}  // namespace
