#include "app/program.h"

int main(int argc, char* argv[]) {
  return lanzhou::app::RunProgram(argc, argv);
}
