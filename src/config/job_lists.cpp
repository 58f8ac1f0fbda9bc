#include "config/job_lists.h"

namespace tandrel {

namespace {

std::string Position(int i) { return std::to_string(i); }

}  // namespace

std::vector<std::string> ReadJobList(const IniReader& ini, const std::string& list) {
  std::vector<std::string> names;
  for (int i = 0;; ++i) {
    std::string name = ini.ReadString(list, Position(i), kMissing);
    if (name == kMissing) break;
    names.push_back(std::move(name));
  }
  return names;
}

int FindInList(const IniFile& ini, const std::string& list, int count, const std::string& name) {
  for (int i = 0; i < count; ++i) {
    if (ini.ReadString(list, Position(i), kMissing) == name) return i;
  }
  return -1;
}

void AppendToList(IniFile& ini, const std::string& list, int count, const std::string& name) {
  ini.WriteString(list, Position(count), name);
}

void RemoveFromList(IniFile& ini, const std::string& list, int count, int position) {
  for (int k = position; k < count; ++k) {
    ini.WriteString(list, Position(k), ini.ReadString(list, Position(k + 1), kMissing));
  }
  ini.DeleteKey(list, Position(count - 1));
}

void ExchangeInList(IniFile& ini, const std::string& list, int a, int b) {
  const std::string saved = ini.ReadString(list, Position(a), kMissing);
  ini.WriteString(list, Position(a), ini.ReadString(list, Position(b), kMissing));
  ini.WriteString(list, Position(b), saved);
}

void MoveJob(IniFile& ini, const std::string& from, int fromCount, int position, const std::string& to,
             int toCount) {
  const std::string name = ini.ReadString(from, Position(position), kMissing);
  RemoveFromList(ini, from, fromCount, position);
  AppendToList(ini, to, toCount, name);
}

void DeleteJob(IniFile& ini, const std::string& list, int count, int position, const std::string& name,
               const std::function<void()>& sectionErased) {
  ini.EraseSection(name);
  if (sectionErased) sectionErased();
  RemoveFromList(ini, list, count, position);
}

JobRecord ReadJob(const IniReader& ini, const std::string& name) {
  JobRecord job;
  job.name = name;
  job.source = ini.ReadString(name, jobkey::Source, kMissing);
  job.destination = ini.ReadString(name, jobkey::Destination, kMissing);
  job.fileMask = ini.ReadString(name, jobkey::FileMask, kAllFiles);
  job.always = ini.ReadBool(name, jobkey::Always, false);
  job.handleAsServer = ini.ReadBool(name, jobkey::HandleAsServer, false);
  job.handleAsClient = ini.ReadBool(name, jobkey::HandleAsClient, false);
  job.includeSubDirs = ini.ReadBool(name, jobkey::IncludeSubDirs, false);
  job.deleteEmptySubDirs = ini.ReadBool(name, jobkey::DeleteEmptySubDirs, false);
  job.cleanupDestination = ini.ReadBool(name, jobkey::CleanupDestination, false);
  job.verify = ini.ReadBool(name, jobkey::Verify, false);
  return job;
}

void WriteJob(IniFile& ini, const JobRecord& job) {
  ini.WriteString(job.name, jobkey::Source, job.source);
  ini.WriteString(job.name, jobkey::Destination, job.destination);
  ini.WriteString(job.name, jobkey::FileMask, job.fileMask);
  ini.WriteBool(job.name, jobkey::Always, job.always);
  ini.WriteBool(job.name, jobkey::HandleAsServer, job.handleAsServer);
  ini.WriteBool(job.name, jobkey::HandleAsClient, job.handleAsClient);
  ini.WriteBool(job.name, jobkey::IncludeSubDirs, job.includeSubDirs);
  ini.WriteBool(job.name, jobkey::DeleteEmptySubDirs, job.deleteEmptySubDirs);
  ini.WriteBool(job.name, jobkey::CleanupDestination, job.cleanupDestination);
  ini.WriteBool(job.name, jobkey::Verify, job.verify);
}

}  // namespace tandrel
