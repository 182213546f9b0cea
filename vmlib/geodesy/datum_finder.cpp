// The fuzzy datum finder: ranks the built-in datums by the words and numbers
// their code, name and area share with a free text.
#include <algorithm>
#include <new>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/str_internal.h"
#include "geodesy/geodesy_internal.h"

namespace vm::geodesy {
namespace {

using TokenSet = std::set<std::string>;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Runs of ASCII letters are words (upper-cased), runs of digits numbers;
// anything else separates; one-character tokens are dropped.
void Tokenize(std::string_view text, TokenSet* tokens) {
  size_t i = 0;
  while (i < text.size()) {
    const bool letters = IsLetter(text[i]);
    if (!letters && !IsDigit(text[i])) {
      ++i;
      continue;
    }
    std::string token;
    while (i < text.size() && (letters ? IsLetter(text[i]) : IsDigit(text[i]))) {
      char c = text[i++];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      token += c;
    }
    if (token.size() > 1) tokens->insert(std::move(token));
  }
}

class DatumFinder final : public CGeodeticDatumFinder {
public:
  explicit DatumFinder(const CGeodeticDatumManager* datums) {
    for (const GeodeticDatum& d : datums->BuiltIn()) {
      Candidate c{&d, {}};
      Tokenize(d.code, &c.tokens);
      Tokenize(d.name, &c.tokens);
      Tokenize(d.area, &c.tokens);
      candidates_.push_back(std::move(c));
    }
  }

  bool Find(const Str* text) override {
    results_.clear();
    TokenSet query;
    Tokenize(StrView(text), &query);
    if (query.empty()) return false;
    for (const Candidate& c : candidates_) {
      GeodeticDatumMatch m{c.datum, 0, 0};
      for (const std::string& q : query) {
        for (const std::string& t : c.tokens) {
          if (q.size() == t.size()) {
            if (q == t) ++m.exactCount;
          } else if (q.size() < t.size() ? t.find(q) != std::string::npos : q.find(t) != std::string::npos) {
            ++m.partialCount;
          }
        }
      }
      if (m.exactCount > 0 || m.partialCount > 0) results_.push_back(m);
    }
    // Stable, so equal ranks keep the code order.
    std::stable_sort(results_.begin(), results_.end(),
                     [](const GeodeticDatumMatch& a, const GeodeticDatumMatch& b) {
                       if (a.exactCount != b.exactCount) return a.exactCount > b.exactCount;
                       return a.partialCount > b.partialCount;
                     });
    return !results_.empty();
  }

  int32_t GetCount() const override { return static_cast<int32_t>(results_.size()); }

  const GeodeticDatumMatch* GetItem(int32_t index) const override {
    if (index < 0 || index >= GetCount()) return nullptr;
    return &results_[static_cast<size_t>(index)];
  }

private:
  struct Candidate {
    const GeodeticDatum* datum;
    TokenSet tokens;
  };
  std::vector<Candidate> candidates_;
  std::vector<GeodeticDatumMatch> results_;
};

}  // namespace
}  // namespace vm::geodesy

VMLIB_EXPORT CGeodeticDatumFinder* GeodeticDatumFinderCreate() {
  vm::geodesy::Registry* r = vm::geodesy::TheRegistry();
  if (r == nullptr) return nullptr;
  try {
    return new vm::geodesy::DatumFinder(r->GetDatumManager());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
