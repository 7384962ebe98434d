// Fuzzes the hive parser and the edits a writer makes on what it parsed.
//
// Checked on every input: parsing never fails or crashes; the line count the readers bound files
// by is the parser's; an untouched document (not re-encoded from UTF-16) serializes back to
// exactly the input; after each edit the document's bytes read back as the edited document; a
// value set is seen, a value deleted is not.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "registry/hive_document.h"
#include "registry/hive_encoding.h"
#include "registry/hive_file.h"
#include "registry/hive_writer.h"

namespace {

using namespace pixoria::platform::hive;

constexpr std::string_view kKey = "Software\\Corvane Pixoria";

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "hive_parser_fuzz: %s\n", what);
    std::abort();
  }
}

// Reads the value from the bytes a writer would put in the file, after checking that they
// mean what the edited document means (the writer caches the latter as the file's content).
const HiveValue* readBack(const HiveDocument& document, std::string_view name) {
  static HiveSnapshot snapshot;
  snapshot = HiveSnapshot(parseHiveBytes(serializeHive(document)));
  check(snapshot == HiveSnapshot(document), "edited document and its bytes differ");
  return snapshot.findValue(normalizeKeyPath(kKey), name);
}

// The readers refuse a file by its line feeds, counted without decoding it: the count must be
// the decoded text's, and bound the records the parser makes.
void checkLineCount(std::string_view bytes, const HiveDocument& document) {
  const std::size_t feeds = countLineFeeds(bytes);
  const std::string body = decodeHiveBytes(bytes).body;
  check(static_cast<std::size_t>(std::count(body.begin(), body.end(), '\n')) == feeds,
        "line feeds counted wrongly");
  check(document.lines.size() <= feeds + 1, "more lines than line feeds");
}

void checkInput(std::string_view bytes) {
  HiveDocument document = parseHiveBytes(bytes);
  checkLineCount(bytes, document);
  const HiveSnapshot snapshot(document);
  (void)snapshot.findValue(normalizeKeyPath(kKey), "Enabled");
  if (!bytes.starts_with("\xFF\xFE")) {
    check(serializeHive(document) == bytes, "an untouched document changed");
  }

  setValue(document, kKey, "Fuzz\\\"Value", {ValueType::kDword, 0xC0FFEE, {}});
  const HiveValue* dword = readBack(document, "fuzz\\\"value");
  check(dword && dword->type == ValueType::kDword && dword->dword == 0xC0FFEE, "dword lost");

  const std::string text = "line\none \\ \"two\"";
  setValue(document, kKey, "Fuzz\\\"Value", {ValueType::kString, 0, text});
  const HiveValue* string = readBack(document, "FUZZ\\\"VALUE");
  check(string && string->type == ValueType::kString && string->text == text, "string lost");

  check(deleteValue(document, kKey, "Fuzz\\\"Value"), "value to delete not found");
  check(readBack(document, "Fuzz\\\"Value") == nullptr, "deleted value still read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxHiveBytes) {
    return 0;
  }
  checkInput(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
