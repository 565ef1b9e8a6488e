// Feeds arbitrary bytes to the block/parameter reader, writes the tree back with both
// writers, reads the written text again and makes typed reads. A written text must read
// back and write as the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/dat_file.h"

namespace {

// Typed reads of the first parameters and a lookup with each name, at every level
// reached by following first children.
void ReadValues(const TDatBlock& root) {
  for (const TDatBlock* block = &root; block;
       block = block->Blocks.empty() ? nullptr : block->Blocks.front().get()) {
    for (size_t i = 0; i < block->Params.size() && i < 4; ++i) {
      const TDatParam& param = block->Param(block->Params[i]->Name);
      (void)param.AsString("d");
      (void)param.AsInteger(-1);
      (void)param.AsFloat(-1.0f);
      (void)param.AsBool(true);
      (void)block->FindBlock(param.Name);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TDat dat;
  dat.LoadFromText(bytes);
  ReadValues(dat);
  const std::string text = dat.ToText();
  TDat again;
  again.LoadFromText(text);
  if (again.ToText() != text) std::abort();  // a saved file reads back as itself
  again.LoadFromText(dat.ParamsText());
  ReadValues(again);
  return 0;
}
