// The command-line tool `qlt`.
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::fprintf(stderr, "usage: qlt <command> ...\n");
  return 2;
}
