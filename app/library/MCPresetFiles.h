#pragma once

// Saving a kind of preset as one property-list file per preset in its folder, for every kind
// (convert, rename, metadata, grouping): safe file names, and a save that replaces the kind's
// files all at once or not at all.
#include "platform/core/MCError.h"

#include <QList>
#include <QString>
#include <QVariantMap>

// One file of a save: its name inside the presets folder and the dictionary it holds.
struct MCPresetFile
{
    QString fileName;
    QVariantMap dictionary;
};

// "<position>_<name>.<extension>" with the position in at least three digits ("%03ld_%@"),
// the name made safe for a file name: "/" and control characters become "_", a leading "."
// becomes "_", and the name is shortened by whole characters so the file name fits in 255
// bytes. The name inside the file is kept as it is; only the file name changes.
QString MCPresetFileName(qint64 position, const QString &presetName, const QString &extension);

// Replaces the presets of a kind in `folder` (created when missing) by `files`: afterwards the
// folder's plain files ending in "." + `extension` (exactly, case-sensitive) are exactly
// `files`. All or nothing: every file is first written to a hidden staging folder inside
// `folder`; only when all were written are the earlier files set aside and the new ones
// renamed into place, and a failure there puts the earlier files back. On failure nothing
// of the kind in `folder` has changed and *error says why. Other files stay untouched.
//
// Text a property list cannot hold (control characters other than tab, line feed and
// carriage return; unpaired surrogates) is written with U+FFFD in its place, so one odd
// name or value never keeps every later save from succeeding.
//
// A save stopped part-way (the process killed) is finished by the next save or by
// MCFinishInterruptedPresetSaves() of the same folder.
bool MCReplacePresetFiles(const QString &folder, const QString &extension, const QList<MCPresetFile> &files,
                          MCError *error = nullptr);

// Completes, in `folder`, every save of MCReplacePresetFiles() whose process has ended before
// it finished: a save that had written all its files is carried through, one that had not is
// dropped (its earlier files were never touched). Call before reading a presets folder.
void MCFinishInterruptedPresetSaves(const QString &folder, const QString &extension);

// `dictionary` with every string (keys, values, in nested lists and dictionaries) made
// storable in a property list as described above.
QVariantMap MCStorablePresetDictionary(const QVariantMap &dictionary);
