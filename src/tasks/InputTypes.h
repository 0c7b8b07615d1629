#pragma once
// The kinds of file the task list takes: their extensions, the open dialog's filter and the
// listing of a folder's supported files.

#include <QString>
#include <QStringList>

#include <array>

// The supported input extensions, lower case, in the order of the dialog filter: the eight
// classic types, then camcorder and broadcast streams and today's web and phone containers.
inline constexpr std::array<const char *, 17> InputExtensions {
    ".avi",  ".mpg", ".mpeg", ".mp4",  ".wmv", ".mov", ".vob", ".asf", ".mts",
    ".m2ts", ".ts",  ".mkv",  ".webm", ".m4v", ".3gp", ".flv", ".ogv"};

// "*.avi;*.mpg;...;*.asf;" (every pattern followed by ";").
QString SupportedMask();
// The open dialog's filter as "|"-separated pairs of description and pattern.
QString OpenDialogFilter();
// True when the path's extension, lower-cased, is one of InputExtensions.
bool HasInputExtension(const QString &path);
// The supported files directly in a folder: no subfolders, no hidden or special files,
// sorted by name without regard to case (ties by exact name). Names only.
QStringList ListSupportedFiles(const QString &folder);
