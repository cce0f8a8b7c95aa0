#include "utl.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

void utl_initialize(int&) {}
void utl_finalize(int&) {}

namespace {

std::mutex jobMutex;
cow_String jobDirectory;
cow_String jobName;
std::atomic<unsigned> jobGeneration{1};

cow_String FromEnvironment(const char* variable, const char* fallback) {
  const char* v = std::getenv(variable);
  return cow_String(v && *v ? v : fallback);
}

}  // namespace

void utl_SetJob(const cow_String& directory, const cow_String& name) {
  std::lock_guard<std::mutex> lock(jobMutex);
  jobDirectory = directory;
  jobName = name;
  jobGeneration.fetch_add(1, std::memory_order_release);
}

unsigned utl_JobGeneration() { return jobGeneration.load(std::memory_order_acquire); }

cow_String utl_JobFileName(const cow_String& name) {
  cow_String directory;
  cow_String job;
  {
    std::lock_guard<std::mutex> lock(jobMutex);
    directory = jobDirectory;
    job = jobName;
  }
  if (directory.IsEmpty()) directory = FromEnvironment("INPM_JOB_DIR", ".");
  if (job.IsEmpty()) job = FromEnvironment("INPM_JOB", "job");
  const bool extension = name.Length() > 0 && name[0] == '.';
  return utl_FilePath(directory, extension ? job + name : name).Path();
}

utl_FilePath::utl_FilePath(const cow_String& directory, const cow_String& name) {
  if (directory.IsEmpty() || (name.Length() > 0 && name[0] == '/')) {
    path_ = name;
  } else if (name.IsEmpty()) {
    // A full name and an empty second part: the name as it is, without a
    // trailing slash that would make it a directory.
    path_ = directory;
  } else if (directory[directory.Length() - 1] == '/') {
    path_ = directory + name;
  } else {
    path_ = directory + cow_String("/") + name;
  }
}

bool utl_FilePath::Exists() const {
  struct stat st;
  return ::stat(path_.c_str(), &st) == 0;
}
