// Model check of the engine over fuzzed operation sequences (tests/engine_model.h);
// a disagreement with the model aborts.
#include "engine_model.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace {

class fuzzed : public engine_model::source {
  public:
    explicit fuzzed(FuzzedDataProvider &provider) : provider(provider) {}
    uint32_t pick(uint32_t lo, uint32_t hi) override
    {
        return provider.ConsumeIntegralInRange(lo, hi);
    }
    bool more() override { return provider.remaining_bytes() > 0; }

  private:
    FuzzedDataProvider &provider;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    fuzzed in(provider);
    static engine_model::checker checker;
    std::string failure = checker.run(in);
    if (!failure.empty()) {
        std::fprintf(stderr, "model mismatch: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
