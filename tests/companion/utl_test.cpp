// Job file names from the host's settings or the environment, and file
// existence.
#include "utl.h"

#include "testing.h"

namespace {

// Sets (or with null unsets) the job's environment and the host's setting,
// and gives the job file name for `extension`.
std::string JobFile(const char* dir, const char* job, const char* extension = ".prt", const char* hostDir = "",
                    const char* hostJob = "") {
  for (const auto& [name, value] : {std::pair{"INPM_JOB_DIR", dir}, std::pair{"INPM_JOB", job}}) {
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  utl_SetJob(hostDir, hostJob);
  const std::string file = utl_JobFileName(extension).str();
  utl_SetJob("", "");
  return file;
}

TEST(JobFileName, FromTheHostTheEnvironmentOrTheDefaults) {
  EXPECT_EQ(JobFile(nullptr, nullptr), "./job.prt");
  EXPECT_EQ(JobFile("", ""), "./job.prt");  // empty values are defaults
  EXPECT_EQ(JobFile("/scratch/run1", "beam"), "/scratch/run1/beam.prt");
  EXPECT_EQ(JobFile("/scratch/run1", "beam", ".dat"), "/scratch/run1/beam.dat");
  // A name that is not an extension is a file of the job's directory.
  EXPECT_EQ(JobFile("/scratch/run1", "beam", "other.prt"), "/scratch/run1/other.prt");
  EXPECT_EQ(JobFile("/d/", nullptr), "/d/job.prt");  // no second slash
  EXPECT_EQ(JobFile(nullptr, "plate"), "./plate.prt");
  // The host's setting wins; an empty part of it falls back to the environment.
  EXPECT_EQ(JobFile("/env", "envjob", ".prt", "/host/dir", "hostjob"), "/host/dir/hostjob.prt");
  EXPECT_EQ(JobFile("/env", "envjob", ".prt", "", "hostjob"), "/env/hostjob.prt");
  EXPECT_EQ(JobFile("/env", "envjob", ".prt", "/host/dir", ""), "/host/dir/envjob.prt");
  unsetenv("INPM_JOB_DIR");
  unsetenv("INPM_JOB");
}

TEST(UtlFilePath, JoinsDirectoryAndNameAndFindsFiles) {
  EXPECT_EQ(utl_FilePath("dir", "a.prt").Path().str(), "dir/a.prt");
  EXPECT_EQ(utl_FilePath("dir/", "a.prt").Path().str(), "dir/a.prt");
  EXPECT_EQ(utl_FilePath("", "a.prt").Path().str(), "a.prt");
  EXPECT_EQ(utl_FilePath("dir", "/abs/a.prt").Path().str(), "/abs/a.prt");
  EXPECT_EQ(utl_FilePath("run/a.prt", "").Path().str(), "run/a.prt");  // an empty second part: the name itself
  EXPECT_EQ(utl_FilePath(cow_String("x/y")).Path().str(), "x/y");

  const TempDir dir;
  const std::string path = dir.Path("beam.prt");
  EXPECT_FALSE(utl_FilePath(cow_String(path)).Exists());
  Spit(path, "");
  EXPECT_TRUE(utl_FilePath(cow_String(path)).Exists());
  EXPECT_TRUE(utl_FilePath(cow_String(dir.Path()), "beam.prt").Exists());
  EXPECT_TRUE(utl_FilePath(cow_String(dir.Path() + "/"), "beam.prt").Exists());
  EXPECT_FALSE(utl_FilePath(cow_String(dir.Path()), "beam").Exists());
  EXPECT_FALSE(utl_FilePath("", "").Exists());
  // The form the solver side asks with: the job file name and an empty second part.
  const std::string job = JobFile(dir.Path().c_str(), "beam");
  EXPECT_EQ(job, path);
  EXPECT_TRUE(utl_FilePath(cow_String(job), cow_String()).Exists());
  unsetenv("INPM_JOB_DIR");
  unsetenv("INPM_JOB");
}

}  // namespace
