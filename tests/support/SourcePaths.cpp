#include "support/SourcePaths.h"

namespace korvel::test {

std::string SourceDataDir() {
  return KORVEL_SOURCE_DATA;
}
std::string ShippedDataDir() {
  return KORVEL_BUILT_DATA;
}
std::string TestDataDir() {
  return KORVEL_TEST_DATA;
}
std::string CliProgram() {
  return KORVEL_CLI;
}

}  // namespace korvel::test
