import java.io.File;
import java.io.FileOutputStream;
import java.nio.file.Files;
import java.nio.file.StandardCopyOption;

/**
 * A stand-in install wizard for the installer's tests. Started as
 *
 *   java -cp .:install.jar ProbeWizard -q record
 *
 * it proves that it runs ("__qrlwizard.sem") and keeps what the installer
 * left for it: "native.properties" as record, "changes.txt" as
 * record.changes, and the home of the JVM that runs it as record.home.
 * With the environment variable PROBE_WIZARD_MOVE_JVM it moves its JVM there
 * and reports the move in "native.properties", as a wizard does with a JVM
 * the installer put into the working directory.
 */
public class ProbeWizard {
    public static void main(String[] args) throws Exception {
        new FileOutputStream("__qrlwizard.sem").close();
        String record = null;
        for (int i = 0; i + 1 < args.length; i++) {
            if ("-q".equals(args[i])) record = args[i + 1];
        }
        if (record == null) return;
        copy("native.properties", record);
        copy("changes.txt", record + ".changes");
        String home = System.getProperty("java.home");
        Files.write(new File(record + ".home").toPath(), home.getBytes("UTF-8"));
        String move = System.getenv("PROBE_WIZARD_MOVE_JVM");
        if (move != null) {
            Files.move(new File(home).toPath(), new File(move).toPath());
            String props = "nativeJvmHomeDir=" + move.replace("\\", "\\\\") + "\n"
                    + "nativeJvmInstalledInTemp=true\n"
                    + "nativeTempJvmDir=" + home.replace("\\", "\\\\") + "\n"
                    + "configureWinRegistry=true\n";
            Files.write(new File("native.properties").toPath(), props.getBytes("ISO-8859-1"));
        }
    }

    static void copy(String from, String to) throws Exception {
        File f = new File(from);
        if (f.isFile()) Files.copy(f.toPath(), new File(to).toPath(), StandardCopyOption.REPLACE_EXISTING);
    }
}
