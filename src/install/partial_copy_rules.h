// The temporary file a package file is copied into before it takes its final
// name: one fixed name per destination folder, so that a copy cut short (a
// full disk, a killed program) never leaves a truncated file under the final
// name, and what a killed run left is recognised and replaced by the next
// run. Portable: no Windows headers, no globals, no I/O.
#pragma once
#include <string>

// The file name of the copy in progress in its destination folder. The copy
// loop copies one file at a time, so one name per folder is enough.
constexpr const char kPartialCopyName[] = "~qsetup.part";

// The bytes a package file is read and written in: a small file takes one
// read, a large one few enough calls that the disk, not the calls, sets the pace.
constexpr unsigned kCopyBufferBytes = 1u << 20;

// Whether a file name (the last component of a path, any case of ASCII
// letters) is that of a copy in progress, left there by a run that was killed.
bool IsPartialCopyName(const std::string& fileName);

// Whether a package file's name relative to the install folder (parts
// separated by backslashes) has a part of that name: the file itself would be
// taken for a leftover and replaced by the next copy of its folder, and a
// folder of that name leaves no room for the copies of the folder above it.
bool NameHoldsPartialCopyName(const std::string& relativeName);

// The path of the copy in progress for a destination path: its folder with
// kPartialCopyName. "" when the copy must go straight to the destination: the
// path would not fit a 260-byte buffer, or the destination is itself named so.
std::string PartialCopyPath(const std::string& destination);

// The attribute word a copied file keeps: the read-only bit it brought from
// the medium (every file of a CD has it) is taken off, so that a later
// installation can replace the file; every other bit stays.
// (FILE_ATTRIBUTE_READONLY 0x1; 0xFFFFFFFF, no such file, gives itself.)
unsigned long WritableAttributes(unsigned long attributes);

// The attributes the copy in progress is created with, from those of the
// file on the medium: hidden, system, archive and not-indexed stay, read-only
// goes, and nothing else a new file cannot be given is asked for; a word with
// none of them (or 0xFFFFFFFF) gives FILE_ATTRIBUTE_NORMAL (0x80).
unsigned long CreatedCopyAttributes(unsigned long sourceAttributes);

// Whether the attribute word has the read-only bit (and names a file).
bool HasReadOnlyAttribute(unsigned long attributes);
