import java.io.File;
import java.io.FileInputStream;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.OutputStream;
import java.io.OutputStreamWriter;
import java.io.Reader;
import java.io.Writer;
import java.nio.file.FileVisitResult;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.SimpleFileVisitor;
import java.nio.file.StandardCopyOption;
import java.nio.file.attribute.BasicFileAttributes;
import java.util.ArrayList;
import java.util.Iterator;
import java.util.List;
import java.util.Map;
import java.util.Properties;
import java.util.jar.Attributes;
import java.util.jar.JarFile;
import java.util.jar.Manifest;
import java.util.zip.ZipEntry;

/**
 * The demo kit's install wizard. The native installer starts it in the kit's
 * working directory as
 *
 *   java [options] -cp .:install.jar DemoInstaller [-q details.properties]
 *
 * It proves that it runs by creating "__qrlwizard.sem" (and removes it again,
 * with the reason in "wizard.log", when the installation fails), reads where its JVM is
 * from "native.properties", unpacks the files its manifest lists into the
 * working directory and installs the application into the target directory
 * ("installDir" of the details file, else ~/QuarlanDemo): the application
 * archive, the launcher shipped with the kit and the launcher's properties
 * file; a JVM the installer put into the working directory is copied there
 * too.
 */
public class DemoInstaller {
    static final String APP_NAME = "DemoApp";

    public static void main(String[] args) throws IOException {
        new FileOutputStream("__qrlwizard.sem").close();
        try {
            install(args);
        } catch (Exception e) {
            // The installer learns of a failure only from "__qrlwizard.sem":
            // without it the run fails. The reason goes to a log of the
            // working directory, which the installer saves with its own.
            new File("__qrlwizard.sem").delete();
            Writer log = new OutputStreamWriter(new FileOutputStream("wizard.log", true), "UTF-8");
            try {
                log.write("The demo installation failed: " + e + "\n");
            } finally {
                log.close();
            }
            System.err.println("The demo installation failed: " + e);
            System.exit(1);
        }
    }

    static void install(String[] args) throws IOException {
        String details = null;
        for (int i = 0; i < args.length; i++) {
            if (("-q".equals(args[i]) || "-s".equals(args[i])) && i + 1 < args.length) {
                details = args[++i];
            }
        }
        Properties answers = new Properties();
        if (details != null) {
            // Answers files are written as UTF-8 (load(InputStream) would read
            // ISO 8859-1 and garble an installDir with accented letters).
            Reader in = new InputStreamReader(new FileInputStream(details), "UTF-8");
            try {
                answers.load(in);
            } finally {
                in.close();
            }
        }
        String target = answers.getProperty("installDir",
                System.getProperty("user.home") + File.separator + "QuarlanDemo");
        Properties nativeProps = new Properties();
        InputStream np = new FileInputStream("native.properties");
        try {
            nativeProps.load(np);
        } finally {
            np.close();
        }
        String jvmHome = nativeProps.getProperty("nativeJvmHomeDir", System.getProperty("java.home"));

        System.out.println("Installing " + APP_NAME + " into " + target);
        List<String> unpacked = unpack();
        File dir = new File(target);
        File lib = new File(dir, "lib");
        File conf = new File(dir, "Quarlan");
        if (!lib.isDirectory() && !lib.mkdirs()) throw new IOException("cannot create " + lib);
        if (!conf.isDirectory() && !conf.mkdirs()) throw new IOException("cannot create " + conf);
        jvmHome = keepJvm(nativeProps, jvmHome, dir);
        File appJar = new File(lib, "demo-app.jar");
        copy(new File("demo-app.jar"), appJar);
        File launcher = new File("launcher");
        if (launcher.isFile()) {
            File installed = new File(dir, APP_NAME);
            copy(launcher, installed);
            installed.setExecutable(true, false);
        }
        Writer w = new OutputStreamWriter(new FileOutputStream(new File(conf, APP_NAME + ".properties")), "ISO-8859-1");
        try {
            w.write("# " + APP_NAME + " launcher settings\n");
            w.write("programName=Quarlan Demo\n");
            w.write("execFilename=" + escape(jvmHome + File.separator + "bin" + File.separator + "java") + "\n");
            w.write("args=-cp \"" + escape(appJar.getAbsolutePath()) + "\" demo.App\n");
            w.write("startDir=" + escape(dir.getAbsolutePath()) + "\n");
        } finally {
            w.close();
        }
        System.out.println("Unpacked into the working directory: " + unpacked);
        System.out.println("Installed " + APP_NAME + " with the JVM in " + jvmHome);
    }

    /**
     * A JVM that the native installer put into the working directory
     * (nativeJvmInstalledInTemp=true) would go with it: it is copied into the
     * application's directory (modes and links kept), and native.properties
     * says where it went (nativeJvmHomeDir) and where it was
     * (nativeTempJvmDir), so that the installer configures the copy and
     * removes the original. Answers the JVM home the application runs with.
     */
    static String keepJvm(Properties nativeProps, String jvmHome, File dir) throws IOException {
        if (!"true".equals(nativeProps.getProperty("nativeJvmInstalledInTemp"))) return jvmHome;
        final Path from = Paths.get(jvmHome).toAbsolutePath();
        final Path to = new File(dir, "jre").toPath().toAbsolutePath();
        Files.walkFileTree(from, new SimpleFileVisitor<Path>() {
            @Override
            public FileVisitResult preVisitDirectory(Path d, BasicFileAttributes a) throws IOException {
                Files.createDirectories(to.resolve(from.relativize(d).toString()));
                return FileVisitResult.CONTINUE;
            }

            @Override
            public FileVisitResult visitFile(Path f, BasicFileAttributes a) throws IOException {
                Path target = to.resolve(from.relativize(f).toString());
                Files.deleteIfExists(target);
                if (a.isSymbolicLink()) {
                    Files.createSymbolicLink(target, Files.readSymbolicLink(f));
                } else {
                    Files.copy(f, target, StandardCopyOption.COPY_ATTRIBUTES);
                }
                return FileVisitResult.CONTINUE;
            }
        });
        // Written with store(OutputStream): ISO 8859-1 with Unicode escapes,
        // which the installer decodes; "/" in paths on every system.
        nativeProps.setProperty("nativeJvmHomeDir", to.toString().replace('\\', '/'));
        nativeProps.setProperty("nativeTempJvmDir", from.toString().replace('\\', '/'));
        OutputStream out = new FileOutputStream("native.properties");
        try {
            nativeProps.store(out, null);
        } finally {
            out.close();
        }
        System.out.println("Copied the JVM into " + to);
        return to.toString();
    }

    /**
     * Every file the manifest names is taken out of install.jar into the
     * working directory, and the manifest with them: the native installer
     * removes the files it lists when the installation has ended.
     */
    static List<String> unpack() throws IOException {
        List<String> names = new ArrayList<String>();
        JarFile jar = new JarFile("install.jar");
        try {
            Manifest mf = jar.getManifest();
            File metaInf = new File("META-INF");
            if (!metaInf.isDirectory() && !metaInf.mkdirs()) throw new IOException("cannot create " + metaInf);
            OutputStream mfOut = new FileOutputStream(new File(metaInf, "MANIFEST.MF"));
            try {
                mf.write(mfOut);
            } finally {
                mfOut.close();
            }
            for (Iterator<Map.Entry<String, Attributes>> it = mf.getEntries().entrySet().iterator(); it.hasNext();) {
                String name = it.next().getKey();
                ZipEntry entry = jar.getEntry(name);
                if (entry == null) continue;
                InputStream in = jar.getInputStream(entry);
                try {
                    write(in, new File(name));
                } finally {
                    in.close();
                }
                names.add(name);
            }
        } finally {
            jar.close();
        }
        return names;
    }

    static void copy(File from, File to) throws IOException {
        InputStream in = new FileInputStream(from);
        try {
            write(in, to);
        } finally {
            in.close();
        }
    }

    static void write(InputStream in, File to) throws IOException {
        OutputStream out = new FileOutputStream(to);
        try {
            byte[] buf = new byte[8192];
            int n;
            while ((n = in.read(buf)) > 0) out.write(buf, 0, n);
        } finally {
            out.close();
        }
    }

    /** The launcher's properties file takes a backslash before \, : and =. */
    static String escape(String s) {
        StringBuilder b = new StringBuilder();
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            if (c == '\\' || c == ':' || c == '=') b.append('\\');
            b.append(c);
        }
        return b.toString();
    }
}
