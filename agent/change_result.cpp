#include "agent/change_result.h"

namespace pixoria {

ChangeResult lastFetchFailure() {
  const platform::TransferError error = platform::lastTransferError();
  if (error.kind == platform::TransferFailure::none) {
    return {ChangeFailure::noImage, {}};
  }
  return {ChangeFailure::transfer, error};
}

}  // namespace pixoria
