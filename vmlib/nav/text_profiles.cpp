// The in-memory stand-in for text format profiles (see vmlib/text_profiles.h).
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/str_internal.h"
#include "vmlib/text_profiles.h"

namespace vm {
namespace {

constexpr int32_t kFormatError = 0x1001F;

struct Column {
  Str* name;
  uint8_t type;
};
struct Field {
  uint8_t column = kTextProfileUnbound;
  Str* format = nullptr;
};

class TextProfileImpl final : public CTextProfile {
public:
  explicit TextProfileImpl(bool* changed) : name_(StrNew("")), changed_(changed) {
    SetFieldCount(kTextProfileFieldCount);
  }
  ~TextProfileImpl() override {
    StrDelete(name_);
    for (Column& c : columns_) StrDelete(c.name);
    for (Field& f : fields_) StrDelete(f.format);
  }
  const Str* GetName() override { return name_; }
  void SetName(const Str* name) override { Assign(name_, name); }
  int32_t GetColumnCount() override { return static_cast<int32_t>(columns_.size()); }
  const Str* GetColumnName(int32_t index) override { return columns_[static_cast<size_t>(index)].name; }
  uint8_t GetColumnType(int32_t index) override { return columns_[static_cast<size_t>(index)].type; }
  void AddColumn(const Str* name, uint8_t typeCode) override {
    columns_.push_back({StrNew(StrView(name)), typeCode});
    *changed_ = true;
  }
  int32_t GetFieldCount() override { return static_cast<int32_t>(fields_.size()); }
  void SetFieldCount(int32_t count) override {
    const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
    while (fields_.size() > n) {
      StrDelete(fields_.back().format);
      fields_.pop_back();
    }
    while (fields_.size() < n) fields_.push_back({kTextProfileUnbound, StrNew("")});
    *changed_ = true;
  }
  uint8_t GetFieldColumn(int32_t field) override { return fields_[static_cast<size_t>(field)].column; }
  const Str* GetFieldFormat(int32_t field) override { return fields_[static_cast<size_t>(field)].format; }
  void BindField(int32_t field, uint8_t column, ErrorStatus err) override {
    if (column != kTextProfileUnbound && column >= columns_.size()) {
      *err = kFormatError;
      return;
    }
    fields_[static_cast<size_t>(field)].column = column;
    *changed_ = true;
    *err = 0;
  }
  void SelectFieldFormat(int32_t field, const Str* format) override {
    Assign(fields_[static_cast<size_t>(field)].format, format);
  }
  char GetSeparator1() override { return separator1_; }
  char GetSeparator2() override { return separator2_; }
  void SetSeparators(char first, char second) override {
    separator1_ = first;
    separator2_ = second;
    *changed_ = true;
  }
  bool IsBuiltIn() override { return builtIn_; }
  void SetBuiltIn(bool builtIn) override { builtIn_ = builtIn; }

private:
  void Assign(Str* target, const Str* text) {
    if (!StrAssign(target, StrView(text))) throw CException("Out of memory");
    *changed_ = true;
  }

  Str* name_;
  bool* changed_;
  std::vector<Column> columns_;
  std::vector<Field> fields_;
  char separator1_ = '.';
  char separator2_ = '\t';
  bool builtIn_ = false;
};

class TextProfileListImpl final : public CTextProfileList {
public:
  int32_t GetCount() override { return static_cast<int32_t>(items_.size()); }
  CTextProfile* Get(int32_t index) override { return items_[static_cast<size_t>(index)].get(); }
  void Clear() override {
    if (!items_.empty()) changed_ = true;
    items_.clear();
  }
  int32_t FindByName(const Str* name) override {
    for (size_t i = 0; i < items_.size(); ++i)
      if (StrView(items_[i]->GetName()) == StrView(name)) return static_cast<int32_t>(i);
    return -1;
  }
  void Delete(int32_t index) override {
    items_.erase(items_.begin() + index);
    changed_ = true;
  }
  CTextProfile* Create() override {
    items_.push_back(std::make_unique<TextProfileImpl>(&changed_));
    changed_ = true;
    return items_.back().get();
  }
  void Save(ErrorStatus err) override {
    changed_ = false;
    *err = 0;
  }
  bool IsChanged() override { return changed_; }

private:
  std::vector<std::unique_ptr<TextProfileImpl>> items_;
  bool changed_ = false;
};

}  // namespace
}  // namespace vm

VMLIB_EXPORT CTextProfileList* TextProfileListCreate() { return new (std::nothrow) vm::TextProfileListImpl; }
