#include "agent/failure_text.h"

namespace pixoria {

namespace pf = platform;

std::string transferFailureReason(pf::TransferError error) {
  switch (error.kind) {
    case pf::TransferFailure::noNetwork:
      return "no network";
    case pf::TransferFailure::hostNotFound:
      return "host not found";
    case pf::TransferFailure::connectionRefused:
      return "connection refused";
    case pf::TransferFailure::timedOut:
      return "timed out";
    case pf::TransferFailure::httpStatus:
      return "HTTP status " + std::to_string(error.httpStatus);
    case pf::TransferFailure::tooLarge:
      return "the file is too large";
    case pf::TransferFailure::none:
    case pf::TransferFailure::other:
      break;
  }
  return "network error";
}

std::string changeFailureSentence(std::string_view server, const ChangeResult& result) {
  const std::string name(server);
  switch (result.failure) {
    case ChangeFailure::transfer:
      return "Could not reach " + name + " (" + transferFailureReason(result.transfer) + ").";
    case ChangeFailure::noImage:
      return "Could not find an image at " + name + ".";
    case ChangeFailure::unreadableImage:
      return "Could not use the " + name + " image (the image could not be read).";
    case ChangeFailure::none:
      break;
  }
  return {};
}

}  // namespace pixoria
