#include "project/file_writer.h"

#include <utility>

#include "project/posix_file_writer.h"

namespace {

CFileWriter::Factory& InstalledFactory() {
  static CFileWriter::Factory factory;
  return factory;
}

}  // namespace

std::unique_ptr<CFileWriter> CFileWriter::Create() {
  if (const auto& factory = InstalledFactory()) return factory();
  return std::make_unique<CPosixFileWriter>();
}

CFileWriter::Factory CFileWriter::SetFactory(Factory factory) {
  return std::exchange(InstalledFactory(), std::move(factory));
}
