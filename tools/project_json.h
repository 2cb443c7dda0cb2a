// CProjectJson: a whole project as a JSON form and back: the header fields, the graphics block,
// the project properties, the pages and their points (shared fields, default value, properties
// and the type's own settings). A dump shows every field; a build fills an empty project from a
// form, taking the model's defaults for what the form leaves out, and refuses anything the
// project file could not carry unchanged. Used by `qlt project`; main thread.
#pragma once

#include <QString>

#include "ordered_json.h"

class CProject;

class CProjectJson {
 public:
  static constexpr int kFormVersion = 1;

  // How a dump shows images: their bytes as base64 in the form, only their size and SHA-1 (for
  // review; such a form does not build), or the bytes in files beside the form.
  enum class ImageMode { kInline, kOmitted, kFiles };

  struct DumpOptions {
    ImageMode images = ImageMode::kInline;
    QString imageDir;      // kFiles: the folder the image files are written to
    QString referenceDir;  // kFiles: the folder the form's "file" paths are relative to
  };

  struct BuildResult {
    QString error;              // empty after a build
    bool ioError = false;       // an image file the form names could not be read
    bool hasSavedTime = false;  // the form gives the saved time (else a save stamps the time)
  };

  // The form of a loaded project. Like a save, it first lets every point copy its settings into
  // its properties map and the graphics their layout into the project properties, so the maps
  // show what the file holds. False (with the reason) only when an image file cannot be written.
  static bool Dump(CProject& project, const DumpOptions& options, COrderedJson& form,
                   QString& error);

  // Fills a new, empty project from a form. Relative image file paths are taken from `baseDir`.
  // On failure the project is half-filled and must be discarded.
  static bool Build(const COrderedJson& form, const QString& baseDir, CProject& project,
                    BuildResult& result);
};
