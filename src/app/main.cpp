#include "app/main_loop.h"

int main(int argc, char** argv) {
  return kq::RunProgram(argc, argv);
}
