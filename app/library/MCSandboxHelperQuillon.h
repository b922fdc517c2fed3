#pragma once

#include "app/library/MCFile.h"

#include <QList>

#include <memory>

class MCSandboxHelper;

// The library's use of the shared access helper.
namespace MCSandboxHelperQuillon {

// Makes sure the folders holding the files are granted, before they are moved or renamed:
// the helper is handed each file's folder in turn. Files without a path are skipped.
void prepareForAccessingFiles(MCSandboxHelper &helper, const QList<std::shared_ptr<MCFile>> &files);
// The same with the shared helper.
void prepareForAccessingFiles(const QList<std::shared_ptr<MCFile>> &files);

} // namespace MCSandboxHelperQuillon
