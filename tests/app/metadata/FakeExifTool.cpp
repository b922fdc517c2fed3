#include "FakeExifTool.h"

#include <QFile>
#include <QFileInfo>

namespace fakeexiftool {

namespace {

const char kScript[] = R"SH(#!/bin/bash
here=$(dirname -- "$0")
ignore_quit=0
[ "$1" = "ignore-quit" ] && ignore_quit=1
args=()
previous=
while IFS= read -r line; do
  if [ "$previous" = "-stay_open" ] && [ "$line" = "false" ] && [ $ignore_quit = 0 ]; then exit 0; fi
  previous=$line
  case "$line" in
  -execute*)
    n=${line#-execute}
    mode=
    [ -s "$here/mode" ] && mode=$(cat "$here/mode")
    if [ -z "$mode" ]; then mode=$(basename -- "${args[0]}"); mode=${mode%%.*}; fi
    isread=0
    for a in "${args[@]}"; do [ "$a" = "-php" ] && isread=1; done
    errmarker=1
    case "$mode" in
    split) printf 'part\n{rea'; sleep 0.3; printf 'dy%s}\n' "$n" ;;
    late) printf 'stale\n{ready%05d}\nfresh\n{ready%s}\n' $((10#$n - 1)) "$n"
          printf 'stale error\n{ready%05d}\n' $((10#$n - 1)) >&2 ;;
    nolf) printf 'abc{ready%s}\n' "$n" ;;
    crlf) printf 'line\r\n{ready%s}\r\n' "$n"; printf '{ready%s}\r\n' "$n" >&2; errmarker=0 ;;
    slow) sleep 30 ;;
    die) exit 3 ;;
    nostderr) printf 'out\n{ready%s}\n' "$n"; errmarker=0 ;;
    echo) printf '%s\n' "${args[@]}"; printf '{ready%s}\n' "$n" ;;
    *)
      if [ $isread = 1 ]; then
        printf 'Array(Array(\n  "SourceFile" => "%s",\n  "File:System:Other::FileName" => Array(\n    "desc" => "File Name",\n    "id" => "FileName",\n    "val" => "fake"\n  ),\n  "EXIF:IFD0:Author::Artist" => Array(\n    "desc" => "Artist",\n    "id" => 315,\n    "val" => "Fake"\n  ),\n  "XMP:XMP-tiff:Author::Artist" => Array(\n    "desc" => "Artist",\n    "id" => "Artist",\n    "val" => "Fake XMP"\n  )\n));\n' "${args[0]}"
      else
        case "$mode" in
        error) printf 'Error: Fake failure\n' >&2
               printf '    0 image files updated\n    1 files weren'"'"'t updated due to errors\n' ;;
        warning) printf 'Warning: Fake warning\n' >&2; printf 'X' >> "${args[0]}"
                 printf '    1 image files updated\n' ;;
        silent) ;;
        *) printf 'X' >> "${args[0]}"; printf '    1 image files updated\n' ;;
        esac
      fi
      printf '{ready%s}\n' "$n" ;;
    esac
    [ $errmarker = 1 ] && printf '{ready%s}\n' "$n" >&2
    args=()
    ;;
  -echo4|\{ready*) ;;
  *) args+=("$line") ;;
  esac
done
)SH";

} // namespace

QString install(const QString &folder)
{
    const QString path = folder + QStringLiteral("/fake-exiftool");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(kScript);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setMode(path, QString());
    return path;
}

void setMode(const QString &scriptPath, const QString &mode)
{
    QFile file(QFileInfo(scriptPath).absolutePath() + QStringLiteral("/mode"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(mode.toUtf8());
}

} // namespace fakeexiftool
