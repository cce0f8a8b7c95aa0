// Job file names from the host's settings or the environment, and file
// existence.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

#include "utl.h"

namespace {

// Sets or unsets an environment variable for one test and puts back what
// was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class JobFileName : public ::testing::Test {
 protected:
  void SetUp() override { utl_SetJob("", ""); }
  void TearDown() override { utl_SetJob("", ""); }
};

std::string Name(const cow_String& s) { return s.str(); }

TEST_F(JobFileName, DefaultsWithoutEnvironment) {
  ScopedEnv dir("INPM_JOB_DIR", nullptr);
  ScopedEnv job("INPM_JOB", nullptr);
  EXPECT_EQ(Name(utl_JobFileName(".prt")), "./job.prt");
}

TEST_F(JobFileName, EmptyEnvironmentValuesAreDefaults) {
  ScopedEnv dir("INPM_JOB_DIR", "");
  ScopedEnv job("INPM_JOB", "");
  EXPECT_EQ(Name(utl_JobFileName(".prt")), "./job.prt");
}

TEST_F(JobFileName, FromTheEnvironment) {
  ScopedEnv dir("INPM_JOB_DIR", "/scratch/run1");
  ScopedEnv job("INPM_JOB", "beam");
  EXPECT_EQ(Name(utl_JobFileName(".prt")), "/scratch/run1/beam.prt");
  EXPECT_EQ(Name(utl_JobFileName(".dat")), "/scratch/run1/beam.dat");
  // A name that is not an extension is a file of the job's directory.
  EXPECT_EQ(Name(utl_JobFileName("other.prt")), "/scratch/run1/other.prt");
}

TEST_F(JobFileName, EachVariableAlone) {
  {
    ScopedEnv dir("INPM_JOB_DIR", "/d/");
    ScopedEnv job("INPM_JOB", nullptr);
    // A directory that ends in a slash gets no second one.
    EXPECT_EQ(Name(utl_JobFileName(".prt")), "/d/job.prt");
  }
  {
    ScopedEnv dir("INPM_JOB_DIR", nullptr);
    ScopedEnv job("INPM_JOB", "plate");
    EXPECT_EQ(Name(utl_JobFileName(".prt")), "./plate.prt");
  }
}

TEST_F(JobFileName, HostSettingWinsOverTheEnvironment) {
  ScopedEnv dir("INPM_JOB_DIR", "/env");
  ScopedEnv job("INPM_JOB", "envjob");
  utl_SetJob("/host/dir", "hostjob");
  EXPECT_EQ(Name(utl_JobFileName(".prt")), "/host/dir/hostjob.prt");
  // An empty part of the setting falls back to the environment.
  utl_SetJob("", "hostjob");
  EXPECT_EQ(Name(utl_JobFileName(".prt")), "/env/hostjob.prt");
  utl_SetJob("/host/dir", "");
  EXPECT_EQ(Name(utl_JobFileName(".prt")), "/host/dir/envjob.prt");
  utl_SetJob("", "");
  EXPECT_EQ(Name(utl_JobFileName(".prt")), "/env/envjob.prt");
}

TEST(UtlFilePath, JoinsDirectoryAndName) {
  EXPECT_EQ(Name(utl_FilePath("dir", "a.prt").Path()), "dir/a.prt");
  EXPECT_EQ(Name(utl_FilePath("dir/", "a.prt").Path()), "dir/a.prt");
  EXPECT_EQ(Name(utl_FilePath("", "a.prt").Path()), "a.prt");
  EXPECT_EQ(Name(utl_FilePath("dir", "/abs/a.prt").Path()), "/abs/a.prt");
  // A name with an empty second part is the name itself.
  EXPECT_EQ(Name(utl_FilePath("run/a.prt", "").Path()), "run/a.prt");
  EXPECT_EQ(Name(utl_FilePath(cow_String("x/y")).Path()), "x/y");
}

class UtlExists : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/utl_test_XXXXXX";
    const int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    close(fd);
    path_ = pattern;
    const size_t slash = path_.rfind('/');
    dir_ = path_.substr(0, slash);
    name_ = path_.substr(slash + 1);
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_, dir_, name_;
};

TEST_F(UtlExists, ExistingFile) {
  EXPECT_TRUE(utl_FilePath(cow_String(path_)).Exists());
  EXPECT_TRUE(utl_FilePath(cow_String(dir_), cow_String(name_)).Exists());
  EXPECT_TRUE(utl_FilePath(cow_String(dir_ + "/"), cow_String(name_)).Exists());
  // The form the solver side asks with: the name and an empty second part.
  EXPECT_TRUE(utl_FilePath(cow_String(path_), cow_String()).Exists());
}

TEST_F(UtlExists, MissingFile) {
  std::remove(path_.c_str());
  EXPECT_FALSE(utl_FilePath(cow_String(path_)).Exists());
  EXPECT_FALSE(utl_FilePath(cow_String(path_), cow_String()).Exists());
  EXPECT_FALSE(utl_FilePath(cow_String(dir_), cow_String(name_ + ".prt")).Exists());
  EXPECT_FALSE(utl_FilePath(cow_String(""), cow_String("")).Exists());
}

TEST_F(UtlExists, JobFileFoundThroughTheEnvironment) {
  std::rename(path_.c_str(), (path_ + ".prt").c_str());
  path_ += ".prt";
  ScopedEnv dir("INPM_JOB_DIR", dir_.c_str());
  ScopedEnv job("INPM_JOB", name_.c_str());
  utl_SetJob("", "");
  EXPECT_EQ(Name(utl_JobFileName(".prt")), path_);
  EXPECT_TRUE(utl_FilePath(utl_JobFileName(".prt"), cow_String()).Exists());
}

}  // namespace
