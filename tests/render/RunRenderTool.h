#pragma once
// Runs a tool of the tree (corvanel-render: RENDER_TOOL) as its own process, the way a
// user does.
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Runs the program with `args`, in folder `dir` when given, with stdout and stderr going
// to the given files when given. Answers the exit code, or 128 + the signal that ended it.
inline int RunProgram(const char* program, const std::vector<std::string>& args,
                      const char* dir = nullptr, const char* outPath = nullptr,
                      const char* errPath = nullptr) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (dir && chdir(dir) != 0) _exit(127);
    if (outPath) dup2(open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    if (errPath) dup2(open(errPath, O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#ifdef RENDER_TOOL
inline int RunRenderTool(const std::vector<std::string>& args, const char* dir = nullptr,
                         const char* outPath = nullptr, const char* errPath = nullptr) {
  return RunProgram(RENDER_TOOL, args, dir, outPath, errPath);
}
#endif
