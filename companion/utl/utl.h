// KVLutl: file names of the current analysis job.
//
// The job is a directory and a name. A host sets them with utl_SetJob();
// otherwise they come from the environment: INPM_JOB_DIR (default: the
// working directory) and INPM_JOB (default: "job").
#ifndef KVL_UTL_H
#define KVL_UTL_H

#include "cow.h"
#include "kvl_api.h"

KVL_API void utl_initialize(int& level);
KVL_API void utl_finalize(int& level);

// Sets the job of the calling process; an empty argument falls back to the
// environment (or its default) for that part.
KVL_API void utl_SetJob(const cow_String& directory, const cow_String& jobName);

// A number that changes each time utl_SetJob runs, read without a lock: a
// job file name made while it had one value is the name utl_JobFileName
// gives as long as it keeps that value and the environment is not changed.
KVL_API unsigned utl_JobGeneration();

// The full name of a file of the job: an extension (".prt") gives
// <dir>/<job><ext>; any other name gives <dir>/<name>.
KVL_API cow_String utl_JobFileName(const cow_String& name);

class KVL_API utl_FilePath {
 public:
  // A directory (may be empty: the name alone) and a file name (may be
  // empty: the first part is then the whole name).
  utl_FilePath(const cow_String& directory, const cow_String& name);
  explicit utl_FilePath(const cow_String& path) : path_(path) {}
  const cow_String& Path() const { return path_; }
  bool Exists() const;

 private:
  cow_String path_;
};

#endif
