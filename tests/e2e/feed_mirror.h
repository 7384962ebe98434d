// A loopback mirror of the three image services for tests of the real agent: Bing's archive,
// NASA's feed and Wikipedia's featured days, each naming one JPEG of one colour, served by the
// fixture server and named to the agent through the address seams of the world.
#pragma once

#include <memory>
#include <string>

#include "e2e/isolated_world.h"
#include "support/fixture_server.h"
#include "support/test_images.h"

namespace pixoria::test {

class FeedMirror {
 public:
  // Serves from `world`'s folder "mirror"; `server` options other than the folder and the request
  // log are taken as given (failFirst, freeBind, ...).
  FeedMirror(IsolatedWorld& world, FixtureServerOptions options = {});

  bool running() const { return server_->running(); }
  const FixtureServer& server() const { return *server_; }

  // The picture every feed names, and how often it was asked for.
  const std::string& picture() const { return picture_; }
  std::size_t requestsFor(const std::string& prefix) const;

 private:
  void serve(const std::string& name, const std::string& body);
  void serveFeeds();

  std::string folder_;
  std::string picture_;
  std::unique_ptr<FixtureServer> server_;
};

}  // namespace pixoria::test
