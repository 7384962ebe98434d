// pixoria-fit SRC DST WIDTH HEIGHT: runs the agent's fitting routine on one file, for timing and
// memory measurements against other tools.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pixoria/common/image_fitting.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: pixoria-fit SOURCE DESTINATION WIDTH HEIGHT\n");
    return 2;
  }
  int width = std::atoi(argv[3]);
  int height = std::atoi(argv[4]);
  if (width <= 0 || height <= 0) {
    std::fprintf(stderr, "pixoria-fit: WIDTH and HEIGHT must be positive\n");
    return 2;
  }
  pixoria::fitImage(argv[1], argv[2], width, height, pixoria::FitVariant::agent);
  return 0;
}
