#include "export_calls.h"

#include <cstring>
#include <random>
#include <stdexcept>

#include "bench_home.h"
#include "corvane.h"

namespace corvane::bench {

int32_t CallExportInto(Operation operation, const std::string& input, char* output, int32_t* length) {
  const auto serial_length = static_cast<int32_t>(std::strlen(kSignerSerial));
  switch (operation) {
    case Operation::kSign:
      return generateSingleSignedMsgBySN(input.data(), static_cast<uint32_t>(input.size()), 0,
                                         kSignerSerial, serial_length, output, length);
    case Operation::kVerify:
      return verifySingleSignedMsg(input.data(), static_cast<int32_t>(input.size()), output, length);
    case Operation::kEnvelope:
      return composeSingleEnvelopedMsgBySN(input.data(), static_cast<uint32_t>(input.size()),
                                           kSignerSerial, serial_length, output, length);
    case Operation::kOpen:
      return decomposeSingleEnvelopedMsg(input.data(), static_cast<int32_t>(input.size()), output,
                                         length);
  }
  return -1;
}

const char* OperationName(Operation operation) {
  constexpr const char* kNames[] = {"sign", "verify", "envelope", "open"};
  return kNames[static_cast<int>(operation)];
}

Operation OperationNamed(const std::string& name) {
  for (Operation operation : kOperations) {
    if (name == OperationName(operation)) return operation;
  }
  throw std::invalid_argument("no operation " + name);
}

int32_t QueryCapacity(Operation operation, const std::string& input) {
  int32_t capacity = 0;
  return CallExportInto(operation, input, nullptr, &capacity) == 0 ? capacity : -1;
}

int32_t CallExport(Operation operation, const std::string& input, std::string& buffer) {
  auto length = static_cast<int32_t>(buffer.size());
  return CallExportInto(operation, input, buffer.data(), &length) == 0 ? length : -1;
}

std::string CallExportTwice(Operation operation, const std::string& input) {
  const int32_t capacity = QueryCapacity(operation, input);
  if (capacity < 0) return {};
  std::string buffer(static_cast<size_t>(capacity), '\0');
  const int32_t length = CallExport(operation, input, buffer);
  buffer.resize(length < 0 ? 0 : static_cast<size_t>(length));
  return buffer;
}

std::string OurInput(Operation operation, const std::string& data) {
  if (operation == Operation::kVerify) return CallExportTwice(Operation::kSign, data);
  if (operation == Operation::kOpen) return CallExportTwice(Operation::kEnvelope, data);
  return data;
}

std::string RandomBytes(size_t size) {
  std::mt19937 random(2);
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(random());
  return data;
}

}  // namespace corvane::bench
