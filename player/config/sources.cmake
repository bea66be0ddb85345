# MCF reader, settings store and configuration panel.
