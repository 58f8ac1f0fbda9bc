#include "config/job_lists.h"

namespace tandrel {

namespace {

std::string Position(int i) { return std::to_string(i); }

}  // namespace

std::vector<std::string> ReadJobList(const TIniFile& ini, const std::string& list) {
  std::vector<std::string> names;
  for (int i = 0;; ++i) {
    std::string name = ini.ReadString(list, Position(i), kMissing);
    if (name == kMissing) break;
    names.push_back(std::move(name));
  }
  return names;
}

int FindInList(const TIniFile& ini, const std::string& list, int count, const std::string& name) {
  for (int i = 0; i < count; ++i) {
    if (ini.ReadString(list, Position(i), kMissing) == name) return i;
  }
  return -1;
}

void AppendToList(TIniFile& ini, const std::string& list, int count, const std::string& name) {
  ini.WriteString(list, Position(count), name);
}

void RemoveFromList(TIniFile& ini, const std::string& list, int count, int position) {
  for (int k = position; k < count; ++k) {
    ini.WriteString(list, Position(k), ini.ReadString(list, Position(k + 1), kMissing));
  }
  ini.DeleteKey(list, Position(count - 1));
}

void ExchangeInList(TIniFile& ini, const std::string& list, int a, int b) {
  const std::string saved = ini.ReadString(list, Position(a), kMissing);
  ini.WriteString(list, Position(a), ini.ReadString(list, Position(b), kMissing));
  ini.WriteString(list, Position(b), saved);
}

void MoveJob(TIniFile& ini, const std::string& from, int fromCount, int position, const std::string& to,
             int toCount) {
  const std::string name = ini.ReadString(from, Position(position), kMissing);
  RemoveFromList(ini, from, fromCount, position);
  AppendToList(ini, to, toCount, name);
}

void DeleteJob(TIniFile& ini, const std::string& list, int count, int position, const std::string& name) {
  ini.EraseSection(name);
  RemoveFromList(ini, list, count, position);
}

JobRecord ReadJob(const TIniFile& ini, const std::string& name) {
  JobRecord job;
  job.name = name;
  job.source = ini.ReadString(name, "Source", kMissing);
  job.destination = ini.ReadString(name, "Destination", kMissing);
  job.fileMask = ini.ReadString(name, "FileMask", "*.*");
  job.always = ini.ReadBool(name, "Always", false);
  job.handleAsServer = ini.ReadBool(name, "Handle As Server", false);
  job.handleAsClient = ini.ReadBool(name, "Handle As Client", false);
  job.includeSubDirs = ini.ReadBool(name, "Include SubDirs", false);
  job.deleteEmptySubDirs = ini.ReadBool(name, "Delete Empty SubDirs", false);
  job.cleanupDestination = ini.ReadBool(name, "Cleanup Destination", false);
  job.verify = ini.ReadBool(name, "Verify", false);
  return job;
}

void WriteJob(TIniFile& ini, const JobRecord& job) {
  ini.WriteString(job.name, "Source", job.source);
  ini.WriteString(job.name, "Destination", job.destination);
  ini.WriteString(job.name, "FileMask", job.fileMask);
  ini.WriteBool(job.name, "Always", job.always);
  ini.WriteBool(job.name, "Handle As Server", job.handleAsServer);
  ini.WriteBool(job.name, "Handle As Client", job.handleAsClient);
  ini.WriteBool(job.name, "Include SubDirs", job.includeSubDirs);
  ini.WriteBool(job.name, "Delete Empty SubDirs", job.deleteEmptySubDirs);
  ini.WriteBool(job.name, "Cleanup Destination", job.cleanupDestination);
  ini.WriteBool(job.name, "Verify", job.verify);
}

}  // namespace tandrel
