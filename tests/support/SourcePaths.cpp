#include "support/SourcePaths.h"

namespace korvel::test {

std::string ShippedDataDir() {
  return KORVEL_DATA_DIR;
}
std::string TestDataDir() {
  return KORVEL_TEST_DATA;
}
std::string CliProgram() {
  return KORVEL_CLI;
}

}  // namespace korvel::test
