// The Java binding's calls timed from Java: `java BindingBench verify|open FILE CALLS` runs the
// entry point on the message in FILE, CALLS times to warm up, then five batches of CALLS, and
// prints the median of the batches' process CPU time per call, in microseconds. Every call makes
// and returns its byte[], as a Java caller's does.
import java.lang.management.ManagementFactory;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.Arrays;

import plovik.Corvane;

public final class BindingBench {
  private BindingBench() {}

  private static byte[] call(boolean verify, byte[] input, int[] result) {
    final byte[] output =
        verify ? Corvane.JNIVerifyAttachedMsg(input, result) : Corvane.JNIDecryptMsg(input, result);
    if (output == null || result[0] != 0) {
      throw new IllegalStateException("the call failed: " + result[0]);
    }
    return output;
  }

  public static void main(String[] args) throws Exception {
    final boolean verify = args[0].equals("verify");
    final byte[] input = Files.readAllBytes(Paths.get(args[1]));
    final int calls = Integer.parseInt(args[2]);
    final com.sun.management.OperatingSystemMXBean system =
        (com.sun.management.OperatingSystemMXBean) ManagementFactory.getOperatingSystemMXBean();
    final int[] result = new int[1];
    long kept = 0;
    for (int i = 0; i < calls; ++i) kept += call(verify, input, result).length;
    final long[] perCall = new long[5];
    for (int batch = 0; batch < perCall.length; ++batch) {
      final long before = system.getProcessCpuTime();
      for (int i = 0; i < calls; ++i) kept += call(verify, input, result).length;
      perCall[batch] = (system.getProcessCpuTime() - before) / calls;
    }
    Arrays.sort(perCall);
    System.out.printf("%.3f%n", perCall[perCall.length / 2] / 1000.0);
    System.err.println("bytes handed back: " + kept);
  }
}
