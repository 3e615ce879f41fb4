#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
  // Tests run under the C locale whatever the machine's, as CI does.
  std::setlocale(LC_ALL, "C");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
