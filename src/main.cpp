// The program's entry point. The application object and its windows are
// built on the platform layer; until they exist the binary only reports it.
#include <cstdio>

int main() {
  std::fputs("Quarvex: the windows are not built yet.\n", stderr);
  return 1;
}
