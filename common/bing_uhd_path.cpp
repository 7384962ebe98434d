#include "pixoria/common/bing_uhd_path.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace pixoria {
namespace {

constexpr std::string_view kUhdToken = "_UHD";
constexpr std::string_view kEntitySeparator = "&amp;";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Moves `end` back over the digits before it; false when there are none.
bool skipDigitsBack(std::string_view text, std::size_t& end) {
  const std::size_t start = end;
  while (end > 0 && isDigit(text[end - 1])) {
    --end;
  }
  return end < start;
}

// Where the resolution token "_<digits>x<digits>" before the name's extension starts;
// std::string_view::npos when there is none. `extension` gets the position of the last '.'.
std::size_t resolutionToken(std::string_view name, std::size_t& extension) {
  extension = name.rfind('.');
  if (extension == std::string_view::npos) {
    return std::string_view::npos;
  }
  std::size_t position = extension;
  if (!skipDigitsBack(name, position) || position == 0 || name[position - 1] != 'x') {
    return std::string_view::npos;
  }
  --position;
  if (!skipDigitsBack(name, position) || position == 0 || name[position - 1] != '_') {
    return std::string_view::npos;
  }
  return position - 1;
}

// One parameter of the query, with the separator written before it ("" for the first).
struct Parameter {
  std::string_view separator;
  std::string_view text;
};

std::vector<Parameter> queryParameters(std::string_view query) {
  std::vector<Parameter> parameters;
  std::string_view separator;
  std::size_t position = 0;
  for (;;) {
    const std::size_t end = std::min(query.find('&', position), query.size());
    parameters.push_back({separator, query.substr(position, end - position)});
    if (end == query.size()) {
      return parameters;
    }
    const bool entity = query.substr(end, kEntitySeparator.size()) == kEntitySeparator;
    separator = query.substr(end, entity ? kEntitySeparator.size() : 1);
    position = end + separator.size();
  }
}

std::string_view parameterName(std::string_view parameter) {
  return parameter.substr(0, parameter.find('='));
}

// The value of an "id=" parameter with its token replaced; empty when it has no token.
std::string uhdImageName(std::string_view name) {
  std::size_t extension = 0;
  const std::size_t token = resolutionToken(name, extension);
  if (token == std::string_view::npos) {
    return {};
  }
  return std::string(name.substr(0, token)).append(kUhdToken).append(name.substr(extension));
}

}  // namespace

std::string bingUhdImagePath(std::string_view imagePath) {
  const std::size_t query = imagePath.find('?');
  if (query == std::string_view::npos) {
    return {};
  }
  std::string out(imagePath.substr(0, query + 1));
  const std::size_t firstParameter = out.size();
  bool replaced = false;
  for (const Parameter& parameter : queryParameters(imagePath.substr(query + 1))) {
    const std::string_view name = parameterName(parameter.text);
    if (name == "rf") {
      continue;
    }
    out.append(out.size() > firstParameter ? parameter.separator : std::string_view());
    if (name == "id" && !replaced) {
      const std::string uhdName =
          uhdImageName(parameter.text.substr(std::min(name.size() + 1, parameter.text.size())));
      if (uhdName.empty()) {
        return {};
      }
      out.append("id=").append(uhdName);
      replaced = true;
    } else {
      out.append(parameter.text);
    }
  }
  return replaced ? out : std::string();
}

}  // namespace pixoria
