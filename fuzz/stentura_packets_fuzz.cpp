// Arbitrary line bytes read as the Stentura request protocol's answers (and,
// with the first byte odd, as requests, which the writer simulator reads):
// every scan that is not waiting for more consumes at least one byte and no
// more than it was given, and a packet found is the packet its fields build.

#include <kelm/kelm.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace stentura_packets;

void require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool requests = (data[0] & 1) != 0;
  const BYTE* line = data + 1;
  const std::size_t count = size - 1;
  for (std::size_t at = 0; at < count;) {
    std::size_t used = 0;
    Scan found;
    std::vector<BYTE> rebuilt;
    if (requests) {
      Request request;
      found = ScanRequest(line + at, count - at, request, used);
      if (found == Scan::Found)
        rebuilt =
            MakeRequest(request.seq, request.action, request.params,
                        {reinterpret_cast<const char*>(request.data.data()), request.data.size()});
    } else {
      Response response;
      found = ScanResponse(line + at, count - at, response, used);
      if (found == Scan::Found) rebuilt = MakeResponse(response);
    }
    if (found == Scan::Incomplete) break;
    require(used >= 1 && used <= count - at);
    if (found == Scan::Found) require(rebuilt == std::vector<BYTE>(line + at, line + at + used));
    at += used;
  }
  return 0;
}
