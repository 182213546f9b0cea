// The in-memory stand-in for chart collections (see vmlib/chart_collections.h).
#include <array>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/str_internal.h"
#include "vmlib/chart_collections.h"

namespace vm {
namespace {

class ChartCollectionImpl final : public CChartCollection {
public:
  ChartCollectionImpl(std::string_view name, bool* changed) : name_(StrNew(name)), changed_(changed) {}
  ~ChartCollectionImpl() override { StrDelete(name_); }
  const Str* GetName() override { return name_; }
  int32_t GetChartCount() override { return static_cast<int32_t>(ids_.size()); }
  const uint8_t* GetChartId(int32_t index) override { return ids_[static_cast<size_t>(index)].data(); }
  void AddChartId(const uint8_t* id) override {
    std::array<uint8_t, kChartIdSize> copy;
    std::copy(id, id + kChartIdSize, copy.begin());
    ids_.push_back(copy);
    *changed_ = true;
  }

private:
  Str* name_;
  bool* changed_;
  std::vector<std::array<uint8_t, kChartIdSize>> ids_;
};

class ChartCollectionListImpl final : public CChartCollectionList {
public:
  int32_t GetCount() override { return static_cast<int32_t>(items_.size()); }
  CChartCollection* Get(int32_t index) override { return items_[static_cast<size_t>(index)].get(); }
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
  CChartCollection* Create(const Str* name) override {
    items_.push_back(std::make_unique<ChartCollectionImpl>(StrView(name), &changed_));
    changed_ = true;
    return items_.back().get();
  }
  void Save(ErrorStatus err) override {
    changed_ = false;
    *err = 0;
  }
  bool IsChanged() override { return changed_; }

private:
  std::vector<std::unique_ptr<ChartCollectionImpl>> items_;
  bool changed_ = false;
};

}  // namespace
}  // namespace vm

VMLIB_EXPORT CChartCollectionList* ChartCollectionListCreate() {
  return new (std::nothrow) vm::ChartCollectionListImpl;
}
