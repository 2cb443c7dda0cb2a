// libFuzzer target: any bytes read by the command links' JSON reader, as a document (strict) and
// as a link parameter (lenient). Neither may crash or recurse without bound; whatever the strict
// form accepts the lenient one accepts too, with the same shape.
#include "editing/json_value.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

bool SameShape(const CJsonValue& a, const CJsonValue& b) {
  if (a.Name() != b.Name() || a.Text() != b.Text() || a.IsString() != b.IsString() ||
      a.IsArray() != b.IsArray() || a.IsObject() != b.IsObject() ||
      a.Children().size() != b.Children().size()) {
    return false;
  }
  for (size_t i = 0; i < a.Children().size(); ++i) {
    if (!SameShape(a.Children()[i], b.Children()[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const std::optional<CJsonValue> strict = CJsonValue::ParseDocument(bytes);
  const std::optional<CJsonValue> lenient = CJsonValue::Parse(QString::fromUtf8(bytes));
  if (strict && (!lenient || !SameShape(*strict, *lenient))) std::abort();
  if (lenient) lenient->StringItems();
  return 0;
}
