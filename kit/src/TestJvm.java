import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;

/**
 * Probe run by the native installer in a candidate JVM: writes the running
 * JVM's version as the first line of "jvmGood.txt" in the directory given as
 * the only argument (the current directory when none is given).
 */
public class TestJvm {
    public static void main(String[] args) throws IOException {
        String dir = args.length > 0 ? args[0] : ".";
        String version = System.getProperty("java.version", "");
        Writer out = new OutputStreamWriter(new FileOutputStream(new File(dir, "jvmGood.txt")), "UTF-8");
        try {
            out.write(version);
            out.write("\n");
        } finally {
            out.close();
        }
    }
}
