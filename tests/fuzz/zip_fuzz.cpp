// Feeds arbitrary bytes to the package reader, inflates every member, writes the archive
// back and reads the written bytes again: they must give the same members, and a member
// replaced with SetData must read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "data/zip_file.h"

namespace {

TZipFile Load(const std::string& bytes) {
  std::istringstream in(bytes);
  TZipFile zip;
  zip.LoadFromStream(in);
  return zip;
}

std::string Save(const TZipFile& zip) {
  std::ostringstream out;
  zip.SaveToStream(out);
  return out.str();
}

bool SameEntries(const TZipFile& a, const TZipFile& b) {
  if (a.Count() != b.Count()) return false;
  for (int i = 0; i < a.Count(); ++i) {
    const TZipLocalEntry& x = a.LocalEntry(i);
    const TZipLocalEntry& y = b.LocalEntry(i);
    if (!(x.Header == y.Header) || x.FileName != y.FileName || x.Extra != y.Extra ||
        x.CompressedData != y.CompressedData || x.Zip64 != y.Zip64) {
      return false;
    }
    const TZipCentralEntry& c = a.CentralEntry(i);
    const TZipCentralEntry& d = b.CentralEntry(i);
    if (!(c.Header == d.Header) || c.FileName != d.FileName || c.Extra != d.Extra ||
        c.Comment != d.Comment || c.ExternalAttributes != d.ExternalAttributes) {
      return false;
    }
  }
  return a.EndRecord().Comment == b.EndRecord().Comment;
}

void ReadMembers(const TZipFile& zip) {
  for (int i = 0; i < zip.Count(); ++i) {
    try {
      (void)zip.Data(i);
    } catch (const ZipError&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TZipFile zip;
  try {
    zip = Load(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const ZipError&) {
    return 0;
  }
  ReadMembers(zip);
  if (zip.Count() > 65535) return 0;  // more than a classic end record can count
  std::string saved = Save(zip);
  if (!SameEntries(zip, Load(saved))) std::abort();
  if (zip.Count() == 0) return 0;
  const std::string content(reinterpret_cast<const char*>(data), size / 2);
  zip.SetData(zip.Count() - 1, content);
  TZipFile again = Load(Save(zip));
  if (!SameEntries(zip, again) || again.Data(again.Count() - 1) != content) std::abort();
  return 0;
}
