#pragma once

#include <QString>

class MCError;

// The application's file manager: the operations the file operations perform on the
// user's files. Reached through the shared instance; keeps no state of its own here.
class MCFileManager
{
public:
    static MCFileManager &defaultManager();

    // A path at which nothing exists yet, derived from `path`: `path` itself when it is free,
    // else "<path without extension> N[.<extension>]" for N = 2, 3, ... ("photo 2.jpg").
    // A dangling symbolic link counts as existing. The search is bounded: when every
    // candidate up to the bound is taken the answer is the empty string. The answer is only
    // as good as the moment of the check; use reserveUniqueFileURLForURL() to hold the name.
    QString uniqueFileURLForURL(const QString &path) const;

    // The same search, but the free name is claimed by creating an empty file there
    // exclusively, so two writers never receive the same name: a name taken between the
    // check and the creation is skipped and the search goes on. The caller replaces the
    // empty file (for example by renaming its finished file over it). Empty string and
    // *error filled when no name could be claimed (folder missing or unwritable, bound hit).
    QString reserveUniqueFileURLForURL(const QString &path, MCError *error = nullptr) const;

    // How many numbered candidates are tried before giving up.
    static constexpr int kMaximumUniqueNameAttempts = 10000;
};
