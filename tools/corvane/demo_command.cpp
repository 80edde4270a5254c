#include "demo_command.h"

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "../common/export_call.h"
#include "../common/result_text.h"
#include "codec/base64.h"
#include "command_line.h"
#include "command_table.h"
#include "corvane.h"
#include "demo_pki.h"
#include "platform/posix/text/gbk.h"

namespace corvane::tool {
namespace {

constexpr char kDemoText[] = "Hello from the Corvane demo: \xE4\xBD\xA0\xE5\xA5\xBD";  // 你好

std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

int Shell(const std::string& command) {
  std::cout << "  $ " << command << "\n" << std::flush;
  return std::system(command.c_str()) == 0 ? 0 : 1;
}

void ShowUiLog(const std::filesystem::path& log, std::streamoff& seen) {
  std::ifstream in(log);
  in.seekg(seen);
  for (std::string line; std::getline(in, line);) std::cout << "  [ui] " << line << "\n";
  in.clear();
  seen = in.tellg() < 0 ? seen : static_cast<std::streamoff>(in.tellg());
}

// Calls an export the two-pass way into `output` and prints its result code.
template <typename Export>
bool Call(const char* what, Export call, std::string& output) {
  const int32_t result = CallExportTwice(call, output);
  std::cout << "  " << what << " -> " << result << (result == 0 ? "" : " " + ResultCodeText(result))
            << "\n";
  return result == 0;
}

std::string ToDer(const std::string& base64) {
  std::string der(base64.size() + 1, '\0');
  int32_t length = 0;
  codec::DecodeBase64(base64.data(), static_cast<int32_t>(base64.size()),
                      reinterpret_cast<uint8_t*>(der.data()), &length);
  der.resize(static_cast<size_t>(length));
  return der;
}

bool Write(const std::filesystem::path& path, const std::string& bytes) {
  return WriteOutput(path.string(), bytes);
}

// Where the Java self-test comes from: corvane.jar, and the folder holding libCorvane.so.
struct JavaSelfTest {
  std::filesystem::path jar;
  std::filesystem::path library_path;
};

// Runs corvane.jar's main (plovik.Corvane.JNItest) in a JVM of its own and shows what it
// printed: GBK text, shown as UTF-8.
bool RunJavaSelfTest(const JavaSelfTest& java, const std::filesystem::path& work) {
  const std::filesystem::path printed = work / "self-test.txt";
  const int status = Shell("java -Djava.library.path=" + Quote(java.library_path) + " -jar " +
                           Quote(java.jar) + " > " + Quote(printed));
  std::string failure;
  std::istringstream lines(
      text::GbkToUtf8(ReadInput(printed.string(), kMessageInputLimit, failure).value_or("")));
  for (std::string line; std::getline(lines, line);) std::cout << "  | " << line << "\n";
  return status == 0;
}

int RunDemo(const std::filesystem::path& root, const std::optional<JavaSelfTest>& java) {
  const std::filesystem::path work = root / "work";
  std::filesystem::create_directories(work);
  const std::filesystem::path log = root / "ui.log";
  setenv("CORVANE_HOME", root.c_str(), 1);
  setenv("CORVANE_UI", "script", 1);
  setenv("CORVANE_UI_LOG", log.c_str(), 1);
  std::streamoff seen = 0;

  std::cout << "1. A demo PKI in " << root.string() << "\n";
  DemoPki pki;
  if (!MakeDemoPki(work, pki)) return 1;
  if (RunCommand({"store", "import", "ROOT", pki.ca_certificate.string()}) != 0 ||
      RunCommand({"store", "import", "MY", pki.user_certificate.string(), pki.user_key.string()}) != 0 ||
      RunCommand({"store", "import", "CA", pki.user_certificate.string()}) != 0 ||
      RunCommand({"store", "list"}) != 0) {
    return Fail("demo: importing the demo certificates failed");
  }

  std::cout << "\n2. An envelope made by the openssl command, opened by the library\n";
  const std::string data = kDemoText;
  if (!Write(work / "data.txt", data) ||
      Shell("openssl cms -encrypt -binary -aes256 -in " + Quote(work / "data.txt") +
            " -outform DER -out " + Quote(work / "envelope.der") + " " +
            Quote(pki.user_certificate)) != 0 ||
      Shell("openssl base64 -in " + Quote(work / "envelope.der") + " -out " +
            Quote(work / "envelope.b64")) != 0) {
    return Fail("demo: openssl could not make the envelope");
  }
  std::string failure;
  const auto envelope = ReadInput((work / "envelope.b64").string(), kMessageInputLimit, failure);
  std::string opened;
  if (!envelope || !Call("decomposeSingleEnvelopedMsg", [&](char* out, int32_t* length) {
        return decomposeSingleEnvelopedMsg(envelope->data(), static_cast<int32_t>(envelope->size()),
                                           out, length);
      }, opened)) {
    return 1;
  }
  ShowUiLog(log, seen);
  std::cout << "  content: " << opened << (opened == data ? "  (matches)" : "  (DIFFERS)") << "\n";
  if (opened != data) return 1;

  std::cout << "\n3. Signed by the library (the chooser answers line 0), verified by openssl\n";
  setenv("CORVANE_UI_CHOICES", "0", 1);
  std::string attached;
  if (!Call("generateSingleSignedMsg (attached)", [&](char* out, int32_t* length) {
        return generateSingleSignedMsg(data.data(), static_cast<uint32_t>(data.size()), 0, out,
                                       length);
      }, attached)) {
    return 1;
  }
  ShowUiLog(log, seen);
  if (!Write(work / "attached.der", ToDer(attached)) ||
      Shell("openssl cms -verify -binary -inform DER -in " + Quote(work / "attached.der") +
            " -CAfile " + Quote(pki.ca_certificate) + " -purpose any -out " +
            Quote(work / "verified.txt")) != 0 ||
      ReadInput((work / "verified.txt").string(), kMessageInputLimit, failure) != data) {
    return Fail("demo: openssl did not verify the attached signature");
  }

  std::cout << "\n4. Signed detached by serial number, without any box, verified by openssl\n";
  std::string detached;
  if (!Call("generateSingleSignedMsgBySN (detached)", [&](char* out, int32_t* length) {
        return generateSingleSignedMsgBySN(data.data(), static_cast<uint32_t>(data.size()), 1,
                                           pki.user_serial_hex.data(),
                                           static_cast<int32_t>(pki.user_serial_hex.size()), out,
                                           length);
      }, detached)) {
    return 1;
  }
  ShowUiLog(log, seen);
  if (!Write(work / "detached.der", ToDer(detached)) ||
      Shell("openssl cms -verify -binary -inform DER -in " + Quote(work / "detached.der") +
            " -content " + Quote(work / "data.txt") + " -CAfile " + Quote(pki.ca_certificate) +
            " -purpose any -out /dev/null") != 0) {
    return Fail("demo: openssl did not verify the detached signature");
  }

  if (java) {
    std::cout << "\n5. The Java self-test: plovik.Corvane.JNItest() signs, verifies, encrypts for "
                 "the recipient in CA and decrypts (both choosers answer line 0)\n";
    setenv("CORVANE_UI_CHOICES", "0,0", 1);
    const bool passed = RunJavaSelfTest(*java, work);
    ShowUiLog(log, seen);
    if (!passed) return Fail("demo: the Java self-test failed");
  }
  std::cout << "\nThe demo round trip succeeded.\n";
  return 0;
}

// The library's folder for a jar: its own folder in a build tree, else where an installation puts
// the library relative to the jar (lib/ for share/java/).
std::filesystem::path LibraryBesideJar(const std::filesystem::path& jar) {
  const std::filesystem::path folder = jar.parent_path();
  std::error_code error;
  if (std::filesystem::exists(folder / "libCorvane.so", error)) return folder;
  return (folder / CORVANE_JAR_TO_LIBRARY).lexically_normal();
}

}  // namespace

int RunDemoCommand(const std::vector<std::string>& args) {
  const Options options(args, "demo");
  if (options.error() || (options.Value("library-path") && !options.Value("jar"))) {
    return Fail(options.error().value_or(UsageLine("demo")));
  }
  std::optional<JavaSelfTest> java;
  if (const auto jar = options.Value("jar")) {
    const std::filesystem::path jar_path = std::filesystem::absolute(*jar);
    const auto library_path = options.Value("library-path");
    java = JavaSelfTest{jar_path, library_path ? std::filesystem::absolute(*library_path)
                                               : LibraryBesideJar(jar_path)};
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "corvane-demo-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return Fail("demo: cannot make a temporary folder");
  const std::filesystem::path root(pattern);
  const int status = RunDemo(root, java);
  if (options.Flag("keep")) {
    std::cout << "The demo store is kept in " << root.string() << "\n";
  } else {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  return status;
}

}  // namespace corvane::tool
