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
        Files.write(new File(record + ".home").toPath(), System.getProperty("java.home").getBytes("UTF-8"));
    }

    static void copy(String from, String to) throws Exception {
        File f = new File(from);
        if (f.isFile()) Files.copy(f.toPath(), new File(to).toPath(), StandardCopyOption.REPLACE_EXISTING);
    }
}
