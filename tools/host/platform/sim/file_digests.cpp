#include "platform/sim/file_digests.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

namespace host::platform {

const char FileDigests::kFileName[] = "machine.digests";

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const char kFormat[] = "basetdic-host file digests 1";
// Longer than any file system's time step (FAT's is two seconds).
constexpr int64_t kSettledNs = 3'000'000'000;

int64_t Nanoseconds(const timespec& time) { return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec; }

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

bool FileDigests::Identity::operator==(const Identity& other) const {
  return device == other.device && inode == other.inode && size == other.size && modifiedNs == other.modifiedNs &&
         changedNs == other.changedNs;
}

bool FileDigests::IdentityOf(const std::string& hostPath, Identity* identity) {
  struct stat info;
  if (hostPath.empty() || stat(hostPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  identity->device = info.st_dev;
  identity->inode = info.st_ino;
  identity->size = static_cast<uint64_t>(info.st_size);
  identity->modifiedNs = Nanoseconds(info.st_mtim);
  identity->changedNs = Nanoseconds(info.st_ctim);
  return true;
}

void FileDigests::Load(const std::string& folder) {
  known_.clear();
  std::ifstream in(fs::path(folder) / kFileName, std::ios::binary);
  if (!in) return;
  std::ostringstream text;
  text << in.rdbuf();
  json record = json::parse(text.str(), nullptr, false);
  if (!record.is_object() || record.value("format", "") != kFormat || !record.contains("files")) return;
  try {
    for (const auto& file : record.at("files").items()) {
      const json& entry = file.value();
      Known known;
      known.identity.device = entry.at("device").get<uint64_t>();
      known.identity.inode = entry.at("inode").get<uint64_t>();
      known.identity.size = entry.at("size").get<uint64_t>();
      known.identity.modifiedNs = entry.at("modifiedNs").get<int64_t>();
      known.identity.changedNs = entry.at("changedNs").get<int64_t>();
      known.digest = std::stoull(entry.at("digest").get<std::string>(), nullptr, 16);
      known.version = entry.at("version").get<std::string>();
      known_[file.key()] = known;
    }
  } catch (const std::exception&) {
    known_.clear();
  }
}

void FileDigests::Save(const std::string& folder) const {
  json files = json::object();
  int64_t settled = NowNs() - kSettledNs;
  for (const auto& [key, known] : known_) {
    if (!known.confirmed || known.identity.changedNs > settled || known.identity.modifiedNs > settled) continue;
    char digest[20];
    snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(known.digest));
    files[key] = json{{"device", known.identity.device}, {"inode", known.identity.inode},
                      {"size", known.identity.size},     {"modifiedNs", known.identity.modifiedNs},
                      {"changedNs", known.identity.changedNs}, {"digest", digest},
                      {"version", known.version}};
  }
  fs::path path = fs::path(folder) / kFileName;
  fs::path part = path;
  part += ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out << json{{"format", kFormat}, {"files", files}}.dump(0, ' ', false, json::error_handler_t::replace) << '\n';
    if (!out.flush()) return;
  }
  std::error_code ignored;
  fs::rename(part, path, ignored);
  if (ignored) fs::remove(part, ignored);
}

bool FileDigests::Recall(const std::string& key, const std::string& hostPath, uint64_t size, uint64_t* digest,
                         std::string* version) {
  auto found = known_.find(key);
  Identity now;
  bool exists = IdentityOf(hostPath, &now);
  if (found == known_.end() || !exists || now.size != size || !(now == found->second.identity)) {
    reading_.erase(key);
    if (exists) reading_[key] = now;
    return false;
  }
  found->second.hostPath = hostPath;
  found->second.confirmed = true;
  *digest = found->second.digest;
  *version = found->second.version;
  return true;
}

void FileDigests::Remember(const std::string& key, const std::string& hostPath, uint64_t size, uint64_t digest,
                           const std::string& version) {
  Known known;
  auto read = reading_.find(key);
  bool unchanged = read != reading_.end() && IdentityOf(hostPath, &known.identity) && known.identity == read->second;
  if (read != reading_.end()) reading_.erase(read);
  if (!unchanged || known.identity.size != size) {
    known_.erase(key);
    return;
  }
  known.digest = digest;
  known.version = version;
  known.hostPath = hostPath;
  known.confirmed = true;
  known_[key] = known;
}

void FileDigests::Forget(const std::string& hostPath) {
  for (auto it = known_.begin(); it != known_.end();) {
    it = it->second.hostPath == hostPath ? known_.erase(it) : std::next(it);
  }
}

}  // namespace host::platform
