// The Linux apartment arrives here.
