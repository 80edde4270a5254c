// Threads and processes on shared stores: eight threads signing, opening and verifying at once in one
// process (also while the store changes under them, with what the process keeps between calls),
// and eight processes importing into one store at once. Run under ThreadSanitizer by
// `./dev test` as well as in the plain and ASan builds.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "corvane.h"
#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/thumbprint.h"
#include "support/openssl_peer.h"
#include "support/store_fixtures.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr int kWorkers = 8;

// The export called the way every caller must: size query, then the real call.
template <typename Call>
int32_t CallTwice(Call call, std::string& output) {
  int32_t capacity = 0;
  int32_t result = call(nullptr, &capacity);
  if (result != 0) return result;
  output.assign(static_cast<size_t>(capacity) + 1, '\0');
  result = call(output.data(), &capacity);
  output.resize(result == 0 ? static_cast<size_t>(capacity) : 0);
  return result;
}

// Stores read whole, and stores the threads read through their indexes as they go.
class EightThreads : public ::testing::TestWithParam<bool> {};

TEST_P(EightThreads, SignOpenAndVerifyOnSharedStores) {
  testing::TestHome home;
  home.SetEnv("CORVANE_UI", "none");
  const testing::FixedIssuerPki pki = testing::MakeFixedIssuerPki();
  testing::InstallCertificate(home.root(), "MY", pki.signer.get(), pki.signer_key.get());
  testing::InstallCertificate(home.root(), "CA", pki.signer.get());
  testing::InstallCertificate(home.root(), "ROOT", pki.ca.get());
  for (const char* store : {"MY", "CA", "ROOT"}) {
    if (GetParam()) {
      ASSERT_TRUE(platform::UpdateStoreIndex(home.root() / "stores" / store).ok());
    }
  }
  const std::string data = "shared data";
  std::string envelope;
  ASSERT_EQ(CallTwice([&](char* out, int32_t* length) {
              return composeSingleEnvelopedMsgBySN(data.data(), static_cast<uint32_t>(data.size()), testing::kFixedIssuerSignerSerial, 4, out,
                                                   length);
            },
                      envelope),
            0);

  const auto sign = [&](char* out, int32_t* length) {
    return generateSingleSignedMsgBySN(data.data(), static_cast<uint32_t>(data.size()), 0, testing::kFixedIssuerSignerSerial, 4, out, length);
  };
  std::string signed_text;
  ASSERT_EQ(CallTwice(sign, signed_text), 0);

  // Signing, opening and verifying (each verification also checks the signer's certificate).
  std::vector<int> failures(kWorkers, 0);
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      for (int round = 0; round < 6; ++round) {
        std::string output;
        int32_t result = 0;
        if (w % 3 == 0) {
          result = CallTwice(sign, output);
        } else if (w % 3 == 1) {
          result = CallTwice([&](char* out, int32_t* length) {
            return decomposeSingleEnvelopedMsg(envelope.data(), static_cast<int32_t>(envelope.size()), out, length);
          }, output);
        } else {
          result = CallTwice([&](char* out, int32_t* length) {
            return verifySingleSignedMsg(signed_text.data(), static_cast<int32_t>(signed_text.size()), out, length);
          }, output);
        }
        if (result != 0 || (w % 3 != 0 && output != data)) ++failures[w];
      }
    });
  }
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(failures, std::vector<int>(kWorkers, 0));
}

INSTANTIATE_TEST_SUITE_P(ConcurrencyTest, EightThreads, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ThroughIndexes" : "ReadWhole"; });

TEST(ConcurrencyTest, ThreadsSignWhileTheStoreChanges) {
  testing::TestHome home;
  home.SetEnv("CORVANE_UI", "none");
  const testing::FixedIssuerPki pki = testing::MakeFixedIssuerPki();
  auto other_key = testing::TestRsaKey(1);
  auto other = testing::MakeCertificate({.subject = {{"CN", "Other"}}, .serial_hex = "5C"}, other_key.get(), nullptr,
                                        other_key.get());
  const fs::path certificate_file = testing::InstallCertificate(home.root(), "MY", pki.signer.get(), pki.signer_key.get());
  const fs::path key_file = fs::path(certificate_file).replace_extension(".key");
  const fs::path other_file = home.root() / "stores" / "MY" / "other.cer";
  const std::string key_pem = testing::PrivateKeyPemOf(pki.signer_key.get());
  const std::string data = "changing store";

  std::atomic<bool> signing{true};
  // Adds and removes another certificate and puts the same key in place again (by a rename, so
  // that the key is always whole), all while the workers sign.
  std::thread changer([&] {
    for (int round = 0; signing.load(); ++round) {
      if (round % 2 == 0) {
        testing::WriteFile(other_file, testing::DerOf(other.get()));
      } else {
        fs::remove(other_file);
      }
      testing::WriteFile(key_file.string() + ".new", key_pem);
      fs::rename(key_file.string() + ".new", key_file);
    }
  });
  auto sign = [&] {
    std::string output;
    return CallTwice([&](char* out, int32_t* length) {
      return generateSingleSignedMsgBySN(data.data(), static_cast<uint32_t>(data.size()), 0, testing::kFixedIssuerSignerSerial, 4, out, length);
    },
                     output);
  };
  std::vector<int> failures(kWorkers, 0);
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&, w] {
      for (int round = 0; round < 6; ++round) {
        if (sign() != 0) ++failures[w];
      }
    });
  }
  for (auto& worker : workers) worker.join();
  signing = false;
  changer.join();
  EXPECT_EQ(failures, std::vector<int>(kWorkers, 0));
  fs::remove(key_file);
  EXPECT_NE(sign(), 0);  // a removed key no longer signs
}

// Runs `corvane store import MY FILES` in kWorkers processes started together.
void ImportFromProcesses(const std::vector<std::vector<std::string>>& files_of_process) {
  std::vector<pid_t> children;
  const std::string tool = testing::ToolPath();
  std::fflush(stdout);  // nothing buffered is written twice by the children
  for (const auto& files : files_of_process) {
    const pid_t child = fork();
    if (child == 0) {
      std::vector<const char*> arguments = {tool.c_str(), "store", "import", "MY"};
      for (const std::string& file : files) arguments.push_back(file.c_str());
      arguments.push_back(nullptr);
      freopen("/dev/null", "w", stdout);
      execv(tool.c_str(), const_cast<char* const*>(arguments.data()));
      _exit(127);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

// Every certificate listed has its key linked; no temporary file is left.
void ExpectCompleteStore(const fs::path& root, size_t certificates) {
  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  ASSERT_NE(store, nullptr);
  size_t count = 0;
  for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c)) != nullptr; ++count) {
    EXPECT_NE(testing::LinkedKey(c), nullptr);
  }
  CertCloseStore(store, 0);
  EXPECT_EQ(count, certificates);
  for (const auto& entry : fs::directory_iterator(root / "stores" / "MY")) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  }
}

TEST(ConcurrencyTest, EightProcessesImportIntoOneStore) {
  testing::ScratchFolder scratch;
  std::vector<std::vector<std::string>> distinct, identical;
  for (int p = 0; p < kWorkers; ++p) {
    auto key = testing::TestRsaKey(p);
    auto certificate = testing::MakeCertificate({.subject = {{"CN", "Importer " + std::to_string(p)}}}, key.get(),
                                                nullptr, key.get());
    const std::string name = std::to_string(p);
    distinct.push_back({scratch.Write(name + ".pem", testing::PemOf(certificate.get())),
                        scratch.Write(name + ".key", testing::PrivateKeyPemOf(key.get()))});
  }
  identical.assign(kWorkers, distinct[0]);
  {
    testing::TestHome home;
    ImportFromProcesses(distinct);
    ExpectCompleteStore(home.root(), kWorkers);
  }
  {
    testing::TestHome home;
    ImportFromProcesses(identical);
    ExpectCompleteStore(home.root(), 1);
  }
}

}  // namespace
}  // namespace corvane
